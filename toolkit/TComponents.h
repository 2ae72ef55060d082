#pragma once

// The components a window or data module owns, in design order, and lookup by name.
//
// A window creates its parts in the order they are designed (labels, boxes, buttons,
// page by page), and Qt keeps each object's children in creation order, so a
// depth-first walk of the object tree yields the design order. Routines that act on
// "every box of the window" walk this list and read each component's objectName; the
// registry window's naming convention (K, C, ...J) relies on it.

#include <QList>
#include <QObject>
#include <QString>

// Every object below owner (children, their children, ...) in design order; the owner
// itself is not included.
QList<QObject*> OwnedComponents(const QObject* owner);

// The first owned component whose name equals name without regard to case; nullptr
// when there is none.
QObject* FindComponent(const QObject* owner, const QString& name);

template <typename T>
T* FindComponentAs(const QObject* owner, const QString& name) {
    return qobject_cast<T*>(FindComponent(owner, name));
}
