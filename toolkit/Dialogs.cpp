#include "toolkit/Dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "data/Exception.h"

namespace {

TMessageAnswerer& Answerer() {
    static TMessageAnswerer answerer;
    return answerer;
}

QList<TMessageRequest>& Log() {
    static QList<TMessageRequest> log;
    return log;
}

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

}  // namespace

TMsgButton ShowMessageBox(const TMessageRequest& request) {
    Log().append(request);
    if (Answerer()) return Answerer()(request);

    QMessageBox box(ToIcon(request.Kind), request.Caption, request.Text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (TMsgButton button : request.Buttons) box.addButton(ToStandard(button));
    box.setDefaultButton(ToStandard(request.DefaultButton));
    return FromStandard(box.exec());
}

void ShowMessage(const QString& text) {
    ShowMessageBox({text, ApplicationTitle(), TMsgKind::Information, {TMsgButton::OK},
                    TMsgButton::OK});
}

bool AskQuestion(const QString& text, const QString& caption, TMsgButton defaultButton) {
    return ShowMessageBox({text, caption, TMsgKind::Question, {TMsgButton::Yes, TMsgButton::No},
                           defaultButton}) == TMsgButton::Yes;
}

QString ApplicationTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty()) return QCoreApplication::applicationName();
    return QFileInfo(path).completeBaseName();
}

void ShowException(const QString& message) {
    QString text = message;
    if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    ShowMessageBox({text, ApplicationTitle(), TMsgKind::Error, {TMsgButton::OK}, TMsgButton::OK});
}

void ShowException(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error)) {
        ShowException(own->Message());
    } else {
        ShowException(QString::fromUtf8(error.what()));
    }
}

bool RunCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return false;
}

void SetMessageAnswerer(TMessageAnswerer answerer) { Answerer() = std::move(answerer); }

const QList<TMessageRequest>& ShownMessages() { return Log(); }

void ClearShownMessages() { Log().clear(); }
