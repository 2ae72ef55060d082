#include "toolkit/TLabel.h"

#include <QMouseEvent>

#include "core/Messages.h"

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

void TLabel::Click() {
    if (OnClick) RunCommand(OnClick);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Click();
    }
}
