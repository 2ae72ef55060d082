#include "toolkit/TKeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

TKeyPreview::TKeyPreview(QWidget* window, TKeyHandler onKeyDown)
    : QObject(window), FWindow(window), FOnKeyDown(std::move(onKeyDown)) {
    qApp->installEventFilter(this);
}

TKeyPreview::~TKeyPreview() {
    if (qApp) qApp->removeEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !FWindow || !FOnKeyDown) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // A key press is offered to the focus widget first and then, when ignored, to its
    // parents; the preview must run once per key, at the first receiver only.
    if (!widget || widget->window() != FWindow || widget != QApplication::focusWidget()) {
        return false;
    }
    return FOnKeyDown(static_cast<QKeyEvent&>(*event));
}

bool SelectNextControl(QWidget* window) {
    QWidget* current = QApplication::focusWidget();
    if (!window || !current || current->window() != window) return false;
    QWidget* candidate = current->nextInFocusChain();
    while (candidate && candidate != current) {
        if (candidate->window() == window && (candidate->focusPolicy() & Qt::TabFocus) &&
            candidate->isVisibleTo(window) && candidate->isEnabled() && !candidate->focusProxy()) {
            candidate->setFocus(Qt::TabFocusReason);
            return QApplication::focusWidget() == candidate;
        }
        candidate = candidate->nextInFocusChain();
    }
    return false;
}

bool IsEnterKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}
