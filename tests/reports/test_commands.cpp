// The two report commands of the main window and the filter dialog: titles, the filter
// description, the dialog's keys, its buttons around a failed run, a fresh dialog at
// every opening, and what the user can do while the listing's pages are being made.
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QToolButton>

#include "app/uTotal.h"
#include "core/Exception.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/reports/ReportCommandsTest.h"
#include "tests/support/ModalAnswer.h"

namespace {

bool CursorIsBusy() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::BusyCursor;
}

// The progress window of a run, once it shows.
QWidget* ShownProgressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("VRProgressForm") && widget->isVisible())
            return widget;
    return nullptr;
}

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

TEST_F(ReportCommandsTest, TabAndEnterVisitEveryBoxAndButtonInLayoutOrder) {
    // From the control focused at opening, around the whole dialog and back.
    const QStringList round = {
        QStringLiteral("Botao_Fechar"), QStringLiteral("LLei"),    QStringLiteral("LAno"),
        QStringLiteral("LTipo"),        QStringLiteral("LNome"),   QStringLiteral("LTitulo"),
        QStringLiteral("LUsual"),       QStringLiteral("LLocal"),  QStringLiteral("Botao_Novo"),
    };
    WithDialog([&](TFrm_PorGeral& dialog) {
        ShowActive(dialog);
        ASSERT_EQ(QApplication::focusWidget(), dialog.Botao_Novo);
        for (const int key : {int(Qt::Key_Tab), int(Qt::Key_Return), int(Qt::Key_Enter)})
            EXPECT_EQ(FocusRound(round.size(), key), round) << "key " << key;
        // Shift+Tab walks the same round backwards.
        PressKey(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), dialog.LLocal);
    });
    // Enter only moved the focus: nothing ran.
    EXPECT_TRUE(runs.empty());
}

// ---- While the pages are being made ------------------------------------------------
// The run dispatches window messages before every row, so a timer started before the
// command fires while the run is under way, as a user's click would land.

TEST_F(ReportCommandsTest, ExitConfirmedWhileTheListingIsMadeStopsItAndThenEndsTheProgram) {
    for (const TMsgButton answer : {TMsgButton::No, TMsgButton::Yes}) {
        SCOPED_TRACE(answer == TMsgButton::Yes ? "Yes" : "No");
        runs.clear();
        ClearShownMessages();
        SetMessageAnswerer([answer](const TMessageRequest&) { return answer; });
        QPointer<TFrm_Principal> main = window;
        bool busy = false;
        QTimer::singleShot(0, [&] {
            busy = Frm_Relatorio31 != nullptr && CursorIsBusy();
            window->SpeedButton1->click();
        });
        window->RelatriodosLogradouros1->trigger();
        EXPECT_TRUE(busy);
        EXPECT_EQ(Messages(), QStringList{QStringLiteral("Deseja sair do sistema?")});
        EXPECT_EQ(Frm_Relatorio31, nullptr);
        EXPECT_FALSE(CursorIsBusy());
        if (answer == TMsgButton::No) {
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(PrintedIdentifiers(runs[0]).size(), 7);
            EXPECT_FALSE(main.isNull());
            continue;
        }
        // The run stopped and no preview opened; the window closes from the event loop
        // once the command is over, without asking again.
        EXPECT_TRUE(runs.empty());
        ASSERT_FALSE(main.isNull());
        EXPECT_TRUE(WaitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return main.isNull();
        }));
        EXPECT_EQ(Frm_Principal, nullptr);
        EXPECT_EQ(Messages().size(), 1);
        window = nullptr;
    }
}

TEST_F(ReportCommandsTest, OtherCommandsWaitWhileTheListingIsMadeAndAnotherListingIsRefused) {
    struct Seen {
        QStringList Enabled;
        QString Refusal;
    } seen;
    QTimer::singleShot(0, [&] {
        const std::pair<const char*, bool> commands[] = {
            {"registry menu", window->BensMveis2->isEnabled()},
            {"registry button", window->SpeedButton6->isEnabled()},
            {"full listing", window->RelatriodosLogradouros1->isEnabled()},
            {"filtered listing", window->RelatriodosLogradourosporFiltragem1->isEnabled()},
            {"calculator", window->SpeedButton5->isEnabled()},
            {"exit button", window->SpeedButton1->isEnabled()},
            {"exit menu", window->Sair1->isEnabled()},
        };
        for (const auto& [name, enabled] : commands)
            if (enabled) seen.Enabled << QString::fromLatin1(name);
        // As the user would try them, then by any other way.
        window->RelatriodosLogradouros1->trigger();
        window->RelatriodosLogradourosporFiltragem1->trigger();
        try {
            RunStreetListing(window, NoListingFilter(), QString());
        } catch (const Exception& error) {
            seen.Refusal = error.Message();
        }
    });
    window->RelatriodosLogradouros1->trigger();

    EXPECT_EQ(seen.Enabled, (QStringList{"calculator", "exit button", "exit menu"}));
    EXPECT_EQ(seen.Refusal, QStringLiteral("O relatório já está sendo gerado."));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(PrintedIdentifiers(runs[0]).size(), 7);
    EXPECT_TRUE(Holds(runs[0], QStringLiteral("Total de Registros : 007")));
    // Nothing left behind, and the commands are back.
    EXPECT_EQ(Frm_Relatorio31, nullptr);
    EXPECT_TRUE(window->findChildren<TFrm_Relatorio31*>().isEmpty());
    EXPECT_EQ(Frm_PorGeral, nullptr);
    EXPECT_TRUE(window->RelatriodosLogradouros1->isEnabled());
    EXPECT_TRUE(window->SpeedButton6->isEnabled());
    EXPECT_FALSE(CursorIsBusy());
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(ReportCommandsTest, TheFilterDialogStaysWhileItsListingIsMade) {
    bool stayed = false;
    WithDialog([&](TFrm_PorGeral& dialog) {
        QTimer::singleShot(0, [&] {
            PressKey(dialog.Botao_Novo, Qt::Key_Escape);
            dialog.close();
            stayed = dialog.isVisible();
        });
        dialog.Botao_Novo->click();
        EXPECT_TRUE(dialog.isVisible());
    });
    EXPECT_TRUE(stayed);
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(ReportCommandsTest, ALastingListingShowsItsProgressWindowWhoseCancelStopsIt) {
    QString caption;
    QTimer::singleShot(0, [&] {
        // The run lasts while this waits.
        QWidget* progress = nullptr;
        if (!WaitFor([&] { return (progress = ShownProgressWindow()) != nullptr; })) return;
        caption = progress->windowTitle();
        auto* cancel = progress->findChild<QPushButton*>(QStringLiteral("CancelButton"));
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    });
    window->RelatriodosLogradouros1->trigger();
    EXPECT_EQ(caption, QStringLiteral("Report progress"));
    EXPECT_TRUE(runs.empty());  // cancelled: no preview
    EXPECT_EQ(ShownProgressWindow(), nullptr);
    EXPECT_EQ(Frm_Relatorio31, nullptr);
    EXPECT_FALSE(CursorIsBusy());
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}
