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
