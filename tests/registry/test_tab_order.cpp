// Tab walks each window's controls in the order of its layout, except where the window's
// design orders them otherwise ("Salvar" before "Novo"; the search page's grid before
// its box, with Tab moving between the grid's cells).
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTabWidget>
#include <QToolButton>

#include "shell/uFrm_Principal.h"
#include "tests/registry/RegistryFixture.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TEdit.h"

namespace {

using TabOrderTest = RegistryTest;

const QString kPageTabs = QStringLiteral("qt_tabwidget_tabbar");

QString FocusedName() {
    const QWidget* focused = QApplication::focusWidget();
    return focused ? focused->objectName() : QStringLiteral("(none)");
}

TEST_F(TabOrderTest, RegistryRecordPage) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "DAS FLORES"}}));
    ASSERT_EQ(QApplication::focusWidget(), frm.Botao_Novo);
    // Browsing: "Salvar" and "Cancelar" are disabled and "Código" is no tab stop.
    const QStringList round = {
        QStringLiteral("Botao_Alterar"), QStringLiteral("Botao_Excluir"),
        QStringLiteral("Botao_Fechar"),  kPageTabs,
        QStringLiteral("C1"),            QStringLiteral("C2"),
        QStringLiteral("C3J"),           QStringLiteral("C4J"),
        QStringLiteral("C5"),            QStringLiteral("C6J"),
        QStringLiteral("C8"),            QStringLiteral("C7"),
        QStringLiteral("C9"),            QStringLiteral("C10"),
        QStringLiteral("Botao_Novo"),
    };
    EXPECT_EQ(FocusRound(round.size()), round);
}

TEST_F(TabOrderTest, RegistrySearchPageAndLeavingTheGrid) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "DAS FLORES"}, {2, "AV", "BRASIL"}}));
    frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
    QApplication::processEvents();
    emit frm.DBGrid1->horizontalHeader()->sectionClicked(6);  // shows the search box
    ASSERT_TRUE(frm.Procura->isVisible());

    // From the box on to the page tabs and the grid, where Tab moves between cells.
    frm.Procura->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(FocusRound(3), QStringList({kPageTabs, QStringLiteral("DBGrid1"),
                                          QStringLiteral("DBGrid1")}));
    // Ctrl+Tab and Ctrl+Shift+Tab leave the grid, forwards and backwards, and stay on
    // the page.
    const struct {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        QString Then;
    } exits[] = {
        {Qt::Key_Tab, Qt::ControlModifier, QStringLiteral("Procura")},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, kPageTabs},
    };
    for (const auto& exit : exits) {
        frm.DBGrid1->setFocus(Qt::TabFocusReason);
        PressKey(frm.DBGrid1, exit.Key, exit.Modifiers);
        EXPECT_EQ(FocusedName(), exit.Then);
        EXPECT_EQ(frm.PageControl1->currentWidget(), frm.TabPesquisaS);
    }
}

TEST(MainWindowTabOrder, ToolbarButtonsLeftToRightThenTheCalendar) {
    TFrm_Principal window;
    ShowActive(window);
    window.SpeedButton6->setFocus(Qt::TabFocusReason);
    const QStringList round = {
        QStringLiteral("SpeedButton5"),
        QStringLiteral("SpeedButton1"),
        QStringLiteral("qt_calendar_calendarview"),
        QStringLiteral("SpeedButton6"),
    };
    EXPECT_EQ(FocusRound(round.size()), round);
}

}  // namespace
