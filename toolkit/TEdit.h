#pragma once

// TEdit: a single-line box with the input rules every box of the program shares.
//
// Only characters that the database's character set (Windows-1252) can store are
// accepted, so a text typed here never reaches the database with a character replaced
// by "?": a key or a paste that would bring in anything else is refused as a whole.
// A box in capitals turns what the user types into capitals; text the program puts
// into the box (ShowText) is shown as it is.

#include <QLineEdit>
#include <functional>

#include "core/Colors.h"

enum class TEditCharCase { Normal, UpperCase };

class TEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TEdit(QWidget* parent = nullptr);

    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase charCase) { FCharCase = charCase; }

    // The background colour.
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

    // Puts text into the box as the program has it, without the typing rules' case
    // conversion.
    void ShowText(const QString& text);

    // Runs for every key pressed in the box, before the box handles it; returns true
    // to consume the key.
    std::function<bool(QKeyEvent& key)> OnKeyDown;
    // Runs when the focus leaves the box for another control of its window (not when
    // the window itself loses the focus, nor for the box's own context menu).
    std::function<void()> OnExit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // True when a focus change moves to another control of the same window.
    static bool LeavesForAnotherControl(const QFocusEvent& event);

private:
    friend class TEditValidator;
    TEditCharCase FCharCase = TEditCharCase::Normal;
    TColor FColor = clWhite;
    bool FShowingText = false;
};
