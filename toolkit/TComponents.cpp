#include "toolkit/TComponents.h"

namespace {

void CollectDepthFirst(const QObject* parent, QList<QObject*>& into) {
    for (QObject* child : parent->children()) {
        into.append(child);
        CollectDepthFirst(child, into);
    }
}

bool FindDepthFirst(const QObject* parent, const QString& name, QObject*& found) {
    for (QObject* child : parent->children()) {
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0) {
            found = child;
            return true;
        }
        if (FindDepthFirst(child, name, found)) return true;
    }
    return false;
}

}  // namespace

QList<QObject*> OwnedComponents(const QObject* owner) {
    QList<QObject*> components;
    if (owner) CollectDepthFirst(owner, components);
    return components;
}

QObject* FindComponent(const QObject* owner, const QString& name) {
    QObject* found = nullptr;
    if (owner && !name.isEmpty()) FindDepthFirst(owner, name, found);
    return found;
}
