#include "tests/support/AccessibilityWalk.h"

#include <QAccessible>
#include <QWidget>

namespace {

// Roles a person acts on: each needs a name to be told apart from its neighbours.
bool IsInteractive(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::SpinBox:
        case QAccessible::Slider:
        case QAccessible::Dial:
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Tree:
        case QAccessible::PageTab:
        case QAccessible::MenuItem:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::ButtonDropGrid:
        case QAccessible::Link:
            return true;
        default:
            return false;
    }
}

// Rows, cells and items take their names from the data they show.
bool HoldsData(QAccessible::Role role) {
    return role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree;
}

QString Describe(QAccessibleInterface& node, const QString& path) {
    QString name;
    if (QObject* object = node.object()) name = object->objectName();
    return QStringLiteral("%1 %2 (%3)").arg(int(node.role())).arg(name, path);
}

void Walk(QAccessibleInterface* node, const QString& path, QStringList& unnamed, int depth) {
    if (!node || !node->isValid() || depth > 40) return;
    if (node->state().invisible) return;
    if (IsInteractive(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << Describe(*node, path);
    if (HoldsData(node->role())) return;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        QString step = child && child->object() ? child->object()->objectName() : QString();
        if (step.isEmpty()) step = QString::number(i);
        Walk(child, path + QLatin1Char('/') + step, unnamed, depth + 1);
    }
}

}  // namespace

QStringList UnnamedInteractiveControls(QWidget& window) {
    QStringList unnamed;
    Walk(QAccessible::queryAccessibleInterface(&window), window.objectName(), unnamed, 0);
    return unnamed;
}
