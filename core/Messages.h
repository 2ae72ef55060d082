#pragma once

#include <QList>
#include <QString>
#include <exception>
#include <functional>

// Every message and question box of the program goes through here, so that tests can
// answer them without a person: install an answerer and the boxes are not shown.
// What shows a box is installed by the program (the toolkit's InstallMessageBoxes, made
// with widgets); these functions need none, so that every room may report through them.

enum class TMsgKind { Information, Warning, Error, Question };
enum class TMsgButton { OK, Yes, No, Cancel };

struct TMessageRequest {
    QString Text;
    QString Caption;
    TMsgKind Kind = TMsgKind::Information;
    QList<TMsgButton> Buttons{TMsgButton::OK};
    TMsgButton DefaultButton = TMsgButton::OK;
};

// Shows the box modally (or asks the installed answerer) and returns the button chosen.
// With neither an answerer nor a presenter installed, the text goes to the standard
// error stream and the default button is the answer.
TMsgButton ShowMessageBox(const TMessageRequest& request);

// An information box: the text, OK only, captioned with the application title.
void ShowMessage(const QString& text);

// A question box: Yes and No, the question icon, the given caption and default
// button. True when the answer is Yes.
bool AskQuestion(const QString& text, const QString& caption, TMsgButton defaultButton);

// The application title: the executable's file name without extension.
QString ApplicationTitle();

// The standard error display: the error's text (with a full stop added when it has
// none), the stop icon, OK, captioned with the application title.
void ShowException(const std::exception& error);
void ShowException(const QString& message);

// Runs a command; any failure that escapes it goes to the standard error display and
// the program carries on. Returns false when the command failed.
bool RunCommand(const std::function<void()>& command);

// Test seam. The answerer sees each request in turn and returns the button pressed;
// the log collects every request shown since it was last cleared.
using TMessageAnswerer = std::function<TMsgButton(const TMessageRequest&)>;
void SetMessageAnswerer(TMessageAnswerer answerer);  // an empty function restores real boxes
const QList<TMessageRequest>& ShownMessages();
void ClearShownMessages();

// What shows a box and returns the button pressed; InstallMessageBoxes installs the
// widget one. An empty function leaves the boxes to the fallback above.
using TMessagePresenter = std::function<TMsgButton(const TMessageRequest&)>;
void SetMessagePresenter(TMessagePresenter presenter);
