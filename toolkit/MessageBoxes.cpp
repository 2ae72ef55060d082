#include "toolkit/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "core/Messages.h"

namespace {

QMessageBox::StandardButton ToStandard(TMsgButton button) {
    switch (button) {
        case TMsgButton::OK: return QMessageBox::Ok;
        case TMsgButton::Yes: return QMessageBox::Yes;
        case TMsgButton::No: return QMessageBox::No;
        case TMsgButton::Cancel: return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

TMsgButton FromStandard(int button) {
    switch (button) {
        case QMessageBox::Yes: return TMsgButton::Yes;
        case QMessageBox::No: return TMsgButton::No;
        case QMessageBox::Cancel: return TMsgButton::Cancel;
        default: return TMsgButton::OK;
    }
}

QMessageBox::Icon ToIcon(TMsgKind kind) {
    switch (kind) {
        case TMsgKind::Information: return QMessageBox::Information;
        case TMsgKind::Warning: return QMessageBox::Warning;
        case TMsgKind::Error: return QMessageBox::Critical;
        case TMsgKind::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

TMsgButton ShowWidgetBox(const TMessageRequest& request) {
    QMessageBox box(ToIcon(request.Kind), request.Caption, request.Text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (TMsgButton button : request.Buttons) box.addButton(ToStandard(button));
    box.setDefaultButton(ToStandard(request.DefaultButton));
    return FromStandard(box.exec());
}

}  // namespace

void InstallMessageBoxes() { SetMessagePresenter(ShowWidgetBox); }
