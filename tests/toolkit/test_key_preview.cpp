// Key preview (the window sees keys first; Enter moves on as Tab does) and the lookup
// of components by name in design order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "tests/support/WidgetInput.h"
#include "toolkit/TComponents.h"
#include "toolkit/TKeyPreview.h"

TEST(KeyPreview, EnterMovesToTheNextControlAndTheKeyStillReachesItsControl) {
    QWidget window;
    auto* first = new QLineEdit(&window);
    auto* disabled = new QLineEdit(&window);
    auto* hidden = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    disabled->setEnabled(false);
    hidden->hide();
    QList<int> previewed;
    new TKeyPreview(&window, [&](QKeyEvent& key) {
        previewed << key.key();
        if (IsEnterKey(key)) SelectNextControl(&window);
        return key.key() == Qt::Key_F2;  // consumed
    });
    int firstReturns = 0;
    QObject::connect(first, &QLineEdit::returnPressed, [&] { ++firstReturns; });
    ShowActive(window);

    first->setFocus();
    PressKey(first, Qt::Key_Return);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_EQ(firstReturns, 1);  // the key went on to the box it was pressed in
    PressKey(second, Qt::Key_Enter);
    EXPECT_TRUE(first->hasFocus());  // wraps round

    TypeText(first, QStringLiteral("a"));
    PressKey(first, Qt::Key_F2);
    EXPECT_EQ(first->text(), "a");
    // Seen once per key, although an ignored key climbs to the parents.
    EXPECT_EQ(previewed, (QList<int>{Qt::Key_Return, Qt::Key_Enter, int('A'), Qt::Key_F2}));

    // Keys of another window are not this window's business.
    QWidget other;
    auto* elsewhere = new QLineEdit(&other);
    ShowActive(other);
    elsewhere->setFocus();
    PressKey(elsewhere, Qt::Key_Return);
    EXPECT_EQ(previewed.size(), 4);
}

TEST(Components, DesignOrderAndLookupByNameIgnoringCase) {
    QWidget window;
    auto* page = new QWidget(&window);
    page->setObjectName(QStringLiteral("TabCadastro"));
    auto* box = new QLineEdit(page);
    box->setObjectName(QStringLiteral("C3J"));
    auto* button = new QPushButton(&window);
    button->setObjectName(QStringLiteral("Botao_Novo"));
    auto* nested = new QLineEdit(page);
    nested->setObjectName(QStringLiteral("c6j"));

    const QList<QObject*> components = OwnedComponents(&window);
    EXPECT_EQ(components.indexOf(page), 0);
    EXPECT_LT(components.indexOf(box), components.indexOf(nested));
    EXPECT_LT(components.indexOf(nested), components.indexOf(button));
    EXPECT_EQ(FindComponent(&window, QStringLiteral("C6J")), nested);
    EXPECT_EQ(FindComponentAs<QPushButton>(&window, QStringLiteral("botao_novo")), button);
    EXPECT_EQ(FindComponentAs<QPushButton>(&window, QStringLiteral("C3J")), nullptr);
    EXPECT_EQ(FindComponent(&window, QStringLiteral("Nada")), nullptr);
}
