#pragma once

// Keyboard input for widget tests, delivered the way the application delivers it (so
// event filters installed on the application see it too).

#include <QString>
#include <QStringList>
#include <Qt>

class QWidget;

// Shows a top-level window and makes it the active one, so that focus changes work.
void ShowActive(QWidget& window);

// Presses and releases one key on the widget.
void PressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Presses and releases one key as the window system delivers it: a key that is some
// control's shortcut in the active window triggers it; any other key goes to the
// widget as PressKey sends it.
void PressKeyOrShortcut(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Types text into the widget, one character per key press.
void TypeText(QWidget* widget, const QString& text);

// Clicks the middle of the widget as the window system delivers a click: to its
// window, which passes it on unless a modal window blocks it.
void ClickAsTheWindowSystem(QWidget* widget);

// Presses the key (Tab unless told) on the focused control the given number of times
// and lists the object name of each control the focus lands on ("(none)" without focus,
// the class name for an unnamed control).
QStringList FocusRound(int presses, int key = Qt::Key_Tab);
