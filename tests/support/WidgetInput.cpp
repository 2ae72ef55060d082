#include "tests/support/WidgetInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

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

// Qt's own entry for a mouse event from the window system, as its test library uses.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

void ClickAsTheWindowSystem(QWidget* widget) {
    static int timestamp = 0;
    QWindow* window = widget->window()->windowHandle();
    if (!window) return;
    const QPoint global = widget->mapToGlobal(widget->rect().center());
    const QPointF local = window->mapFromGlobal(global);
    timestamp += 1000;  // far enough apart to be no double click
    qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                        QEvent::MouseButtonPress, Qt::NoModifier, timestamp);
    qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                        QEvent::MouseButtonRelease, Qt::NoModifier, timestamp + 1);
    QApplication::processEvents();
}

QStringList FocusRound(int presses, int key) {
    QStringList visited;
    for (int i = 0; i < presses; ++i) {
        if (QWidget* focused = QApplication::focusWidget()) PressKey(focused, key);
        const QWidget* now = QApplication::focusWidget();
        if (!now)
            visited << QStringLiteral("(none)");
        else if (now->objectName().isEmpty())
            visited << QString::fromLatin1(now->metaObject()->className());
        else
            visited << now->objectName();
    }
    return visited;
}
