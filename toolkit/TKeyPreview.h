#pragma once

// TKeyPreview: lets a window see every key pressed in it before the focused control
// does. The window's handler runs first; unless it consumes the key, the key then goes
// on to the control it was meant for, unchanged.
//
// Installed on the application, the preview looks only at key presses whose receiver
// lies inside its window, so modal message boxes opened from a handler keep their keys.

#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

class TKeyPreview : public QObject {
    Q_OBJECT

public:
    // Returns true to consume the key (the focused control never sees it).
    using TKeyHandler = std::function<bool(QKeyEvent& key)>;

    TKeyPreview(QWidget* window, TKeyHandler onKeyDown);
    ~TKeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> FWindow;
    TKeyHandler FOnKeyDown;
};

// Moves the focus from the focused control of window to the next control in tab
// order, as the Tab key does: the next widget of the focus chain that takes focus by
// Tab and is visible and enabled, wrapping round. Returns false when nothing took it.
bool SelectNextControl(QWidget* window);

// True for Return and the keypad's Enter.
bool IsEnterKey(const QKeyEvent& key);
