// The two report commands of the main window and the filter dialog: titles, the filter
// description, the dialog's keys, its buttons around a failed run, and a fresh dialog
// at every opening.
#include <QApplication>

#include "app/uTotal.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/reports/ReportCommandsTest.h"

namespace {

QStringList HeaderLines(const ListingRun& pages, std::initializer_list<const char*> starts) {
    QStringList lines;
    for (const QString& text : pages.front().Texts)
        for (const char* start : starts)
            if (text.startsWith(QString::fromUtf8(start))) lines << text;
    return lines;
}

}  // namespace

TEST_F(ReportCommandsTest, FullListingIsTitledByItsMenuItemWithoutTheAccessKey) {
    struct Case {
        QString Caption;
        QString Title;
    };
    const Case cases[] = {
        {QStringLiteral("Relatório dos Logradouros"), QStringLiteral("Relatório dos Logradouros")},
        {QStringLiteral("&Relatório dos Logradouros"), QStringLiteral("Relatório dos Logradouros")},
        // Only the first mark goes.
        {QStringLiteral("Ruas && &Praças"), QStringLiteral("Ruas & &Praças")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption.toStdString());
        runs.clear();
        window->RelatriodosLogradouros1->setText(c.Caption);
        window->RelatriodosLogradouros1->trigger();
        EXPECT_EQ(TituloRelatorio, c.Title);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_TRUE(runs[0].front().Texts.contains(c.Title));
        EXPECT_EQ(PrintedIdentifiers(runs[0]).size(), 7);
        // No filter line on the full listing.
        EXPECT_TRUE(HeaderLines(runs[0], {"Lei :", "Nome :"}).isEmpty());
        EXPECT_EQ(Frm_Relatorio31, nullptr);
    }
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(ReportCommandsTest, VisualizarTurnsEmptyBoxesIntoNoFilterAndDescribesTheOthers) {
    struct Case {
        const char* What;
        QString Lei, Nome, Usual;
        QStringList Ids;
        QString Description;
    };
    const Case cases[] = {
        {"all boxes empty",
         {},
         {},
         {},
         {"000001", "000002", "000003", "000004", "000005", "000006", "000007"},
         {}},
        {"law and name",
         QStringLiteral("123"),
         QStringLiteral("rua"),
         {},
         {"000003"},
         QStringLiteral("Lei : 123  Nome : rua")},
        {"a typed 0 is no filter, yet described",
         QStringLiteral("0"),
         {},
         QStringLiteral("FLO"),
         {"000001"},
         QStringLiteral("Lei : 0  Nome Usual : FLO")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        runs.clear();
        WithDialog([&](TFrm_PorGeral& dialog) {
            Type(dialog.LLei, c.Lei);
            Type(dialog.LNome, c.Nome);
            Type(dialog.LUsual, c.Usual);
            dialog.Botao_Novo->click();
            // Back from the preview: the dialog is still open with what was typed.
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.LLei->text(), c.Lei);
            EXPECT_EQ(dialog.LNome->text(), c.Nome);
            EXPECT_TRUE(dialog.Botao_Novo->isEnabled());
        });
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(PrintedIdentifiers(runs[0]), c.Ids);
        EXPECT_TRUE(
            runs[0].front().Texts.contains(QStringLiteral("Relatório dos Logradouros - Pesquisa")));
        // The description keeps two blanks after every value; the page shows it as one
        // line without the blanks at its end.
        const QStringList described = HeaderLines(runs[0], {"Lei :", "Nome :", "Nome Usual :"});
        EXPECT_EQ(described.join(QString()).trimmed(), c.Description);
    }
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(ReportCommandsTest, ARefusedQueryIsShownAndTheDialogStaysUsable) {
    WithDialog([&](TFrm_PorGeral& dialog) {
        Type(dialog.LAno, QStringLiteral("19900"));  // longer than the year's four characters
        dialog.Botao_Novo->click();
        EXPECT_EQ(Messages().size(), 1);
        ASSERT_FALSE(ShownMessages().isEmpty());
        EXPECT_EQ(ShownMessages().front().Kind, TMsgKind::Error);
        EXPECT_EQ(Frm_Relatorio31, nullptr);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.Botao_Novo->isEnabled());
        EXPECT_TRUE(dialog.Botao_Fechar->isEnabled());
        EXPECT_EQ(dialog.LAno->text(), QStringLiteral("19900"));

        // Mended, the same dialog runs the listing.
        dialog.LAno->clear();
        Type(dialog.LAno, QStringLiteral("1990"));
        dialog.Botao_Novo->click();
    });
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(PrintedIdentifiers(runs[0]), (QStringList{"000003", "000004", "000005"}));
}

TEST_F(ReportCommandsTest, EveryOpeningOfTheDialogStartsEmpty) {
    WithDialog([&](TFrm_PorGeral& dialog) {
        Type(dialog.LLei, QStringLiteral("12"));
        Type(dialog.LLocal, QStringLiteral("centro"));
    });
    WithDialog([&](TFrm_PorGeral& dialog) {
        for (const TEdit* box : {dialog.LLei, dialog.LAno, dialog.LTipo, dialog.LNome,
                                 dialog.LTitulo, dialog.LUsual, dialog.LLocal})
            EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    });
    EXPECT_TRUE(runs.empty());
}

TEST_F(ReportCommandsTest, TabAndEnterMoveOnlyBetweenTheTwoButtons) {
    WithDialog([&](TFrm_PorGeral& dialog) {
        ShowActive(dialog);
        dialog.Botao_Novo->setFocus();
        const struct {
            int Key;
            QPushButton* Then;
        } steps[] = {
            {Qt::Key_Return, dialog.Botao_Fechar},
            {Qt::Key_Enter, dialog.Botao_Novo},
            {Qt::Key_Tab, dialog.Botao_Fechar},
            {Qt::Key_Tab, dialog.Botao_Novo},
        };
        for (const auto& step : steps) {
            PressKey(QApplication::focusWidget(), step.Key);
            EXPECT_EQ(QApplication::focusWidget(), step.Then);
        }
        // A box reached with the mouse hands Enter on to a button.
        dialog.LNome->setFocus(Qt::MouseFocusReason);
        PressKey(dialog.LNome, Qt::Key_Return);
        EXPECT_TRUE(QApplication::focusWidget() == dialog.Botao_Novo ||
                    QApplication::focusWidget() == dialog.Botao_Fechar);
    });
    // Enter only moved the focus: nothing ran.
    EXPECT_TRUE(runs.empty());
}
