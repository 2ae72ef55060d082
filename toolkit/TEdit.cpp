#include "toolkit/TEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>

#include "core/Messages.h"
#include "core/Win1252.h"

// Refuses any text holding a character Windows-1252 cannot store and, for a box in
// capitals, turns letters into capitals. A letter whose capital has no Windows-1252
// byte (the micro sign's capital is Greek) stays as typed rather than being refused.
class TEditValidator : public QValidator {
public:
    explicit TEditValidator(TEdit* edit) : QValidator(edit), FEdit(edit) {}

    State validate(QString& input, int&) const override {
        const bool capitals = FEdit->FCharCase == TEditCharCase::UpperCase && !FEdit->FShowingText;
        for (QChar& character : input) {
            if (!IsWin1252Representable(character)) return Invalid;
            if (capitals) {
                const QChar upper = character.toUpper();
                if (IsWin1252Representable(upper)) character = upper;
            }
        }
        return Acceptable;
    }

private:
    TEdit* FEdit;
};

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new TEditValidator(this));
}

void TEdit::SetColor(TColor color) {
    FColor = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Base, ToQColor(color));
    setPalette(colours);
}

void TEdit::ShowText(const QString& text) {
    FShowingText = true;
    setText(text);
    FShowingText = false;
}

void TEdit::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown && OnKeyDown(*event)) return;
    QLineEdit::keyPressEvent(event);
}

bool TEdit::LeavesForAnotherControl(const QFocusEvent& event) {
    return event.reason() != Qt::PopupFocusReason && event.reason() != Qt::ActiveWindowFocusReason;
}

void TEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (OnExit && LeavesForAnotherControl(*event)) RunCommand(OnExit);
}
