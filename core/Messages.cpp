#include "core/Messages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "core/Exception.h"

namespace {

TMessageAnswerer& Answerer() {
    static TMessageAnswerer answerer;
    return answerer;
}

QList<TMessageRequest>& Log() {
    static QList<TMessageRequest> log;
    return log;
}

TMessagePresenter& Presenter() {
    static TMessagePresenter presenter;
    return presenter;
}

}  // namespace

TMsgButton ShowMessageBox(const TMessageRequest& request) {
    Log().append(request);
    if (Answerer()) return Answerer()(request);
    if (Presenter()) return Presenter()(request);

    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.Caption),
                 qUtf8Printable(request.Text));
    return request.DefaultButton;
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

void SetMessagePresenter(TMessagePresenter presenter) { Presenter() = std::move(presenter); }
