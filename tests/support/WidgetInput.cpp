#include "tests/support/WidgetInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
}

void PressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    QString text;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) text = QStringLiteral("\r");
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

// Qt's own entry for offering a key to the shortcut map, as its test library does.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* receiver, ulong timestamp, int key,
                                               Qt::KeyboardModifiers modifiers, const QString& text,
                                               bool autoRepeat, ushort count);

void PressKeyOrShortcut(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    if (qt_sendShortcutOverrideEvent(widget, 0, key, modifiers, QString(), false, 1)) return;
    PressKey(widget, key, modifiers);
}

void TypeText(QWidget* widget, const QString& text) {
    for (QChar character : text) {
        const int key = character.isLetterOrNumber() && character.unicode() < 128
                            ? QChar(character).toUpper().unicode()
                            : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(character));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(character));
        QApplication::sendEvent(widget, &release);
    }
}
