#include "toolkit/TFocusOutline.h"

#include <QEvent>
#include <QPainter>

TFocusOutline::TFocusOutline(QWidget* control) : QWidget(control), FControl(control) {
    setObjectName(QStringLiteral("FocusOutline"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    control->installEventFilter(this);
    Follow();
}

bool TFocusOutline::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FControl) {
        switch (event->type()) {
            case QEvent::FocusIn:
            case QEvent::FocusOut:
            case QEvent::Resize:
            case QEvent::Show:
                Follow();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFocusOutline::Follow() {
    setGeometry(FControl->rect());
    const bool focused = FControl->hasFocus();
    setVisible(focused);
    if (focused) raise();
}

void TFocusOutline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Active, QPalette::Highlight), 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}
