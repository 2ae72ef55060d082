// The main window on the offscreen platform: menu, toolbar, exit question, start-up
// without a database, activation and the calculator button.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "core/FormatSettings.h"
#include "core/Messages.h"
#include "data/TSQLConnection.h"
#include "registry/uFrm_Logradouros.h"
#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "report_engine/export/text/TextExportSettings.h"
#include "shell/Calculator.h"
#include "shell/TImage.h"
#include "shell/uFrm_Principal.h"
#include "tests/support/TestDatabase.h"
#include "toolkit/TDBEdit.h"
#include "toolkit/TDataSource.h"

namespace {

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

void DeleteDeferred() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Every message box is answered with `answer` and logged.
class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ClearShownMessages();
        SetMessageAnswerer([this](const TMessageRequest&) { return answer; });
    }
    void TearDown() override {
        SetMessageAnswerer({});
        delete Frm_Principal;
        Frm_Principal = nullptr;
        DeleteDeferred();
    }

    // A window built without its creation handler (no session needed).
    TFrm_Principal* NewWindow() {
        Frm_Principal = new TFrm_Principal;
        return Frm_Principal;
    }

    TMsgButton answer = TMsgButton::OK;
};

QImage IconImage(const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST_F(MainWindowTest, MenuCaptionsAndIcons) {
    TFrm_Principal* window = NewWindow();
    ASSERT_EQ(window->ImageList1.size(), 31);

    const QList<QAction*> top = window->MainMenu1->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("Cadastro"));
    EXPECT_EQ(top[0]->menu(), window->BensMveis1);
    EXPECT_EQ(top[1]->text(), QStringLiteral("Sair"));
    EXPECT_EQ(top[1], window->Sair1);

    const QList<QAction*> cadastro = window->BensMveis1->actions();
    ASSERT_EQ(cadastro.size(), 2);
    EXPECT_EQ(cadastro[0]->text(), QStringLiteral("Logradouros"));
    EXPECT_EQ(cadastro[1]->text(), QStringLiteral("Relatórios"));
    EXPECT_EQ(cadastro[1]->menu(), window->Relatrios15);

    const QList<QAction*> reports = window->Relatrios15->actions();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0]->text(), QStringLiteral("Relatório dos Logradouros"));
    EXPECT_EQ(reports[1]->text(), QStringLiteral("Relatório dos Logradouros - Pesquisa"));

    // Icons by image-list index: 0 for the registry, 24 for the reports menu, 23 each report.
    const struct {
        QAction* action;
        int index;
    } icons[] = {{cadastro[0], 0}, {cadastro[1], 24}, {reports[0], 23}, {reports[1], 23}};
    for (const auto& [action, index] : icons) {
        EXPECT_EQ(IconImage(action->icon()), IconImage(window->ImageList1[index]))
            << action->text().toStdString();
    }
    EXPECT_TRUE(top[0]->icon().isNull());
    EXPECT_TRUE(window->Sair1->icon().isNull());
}

TEST_F(MainWindowTest, ToolbarButtonsAndPicture) {
    TFrm_Principal* window = NewWindow();
    window->showNormal();
    EXPECT_EQ(window->ToolBar1->height(), 49);

    const struct {
        QToolButton* button;
        int left;
        const char* hint;
    } buttons[] = {{window->SpeedButton6, 0, "Usuários"},
                   {window->SpeedButton5, 50, "Calculadora"},
                   {window->SpeedButton1, 100, "Sair do Sistema"}};
    for (const auto& [button, left, hint] : buttons) {
        EXPECT_EQ(button->geometry(), QRect(left, 2, 50, 44)) << hint;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(hint));
        // Two-state glyph: the disabled image is the right half, not a computed one.
        const QImage normal = IconImage(button->icon());
        const QImage disabled = IconImage(button->icon(), QIcon::Disabled);
        EXPECT_FALSE(normal.isNull());
        EXPECT_NE(normal, disabled) << hint;
    }

    EXPECT_EQ(window->calendario->width(), 278);
    EXPECT_EQ(window->calendario->geometry().right(), window->centralWidget()->width() - 1);
    EXPECT_FALSE(window->Image1->Picture().isNull());
    EXPECT_GT(window->Image1->width(), 0);
}

// The exit question, from each of the three routes, answered No and then Yes.
TEST_F(MainWindowTest, ExitQuestionFromMenuToolbarAndCloseBox) {
    const struct {
        const char* route;
        std::function<void(TFrm_Principal*)> close;
    } routes[] = {
        {"menu", [](TFrm_Principal* w) { w->Sair1->trigger(); }},
        {"toolbar", [](TFrm_Principal* w) { w->SpeedButton1->click(); }},
        {"close box", [](TFrm_Principal* w) { w->close(); }},
    };
    for (const auto& [route, close] : routes) {
        SCOPED_TRACE(route);
        QPointer<TFrm_Principal> window = NewWindow();
        window->show();
        ClearShownMessages();

        answer = TMsgButton::No;
        close(window);
        DeleteDeferred();
        ASSERT_FALSE(window.isNull());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(Frm_Principal, window.data());
        ASSERT_EQ(ShownMessages().size(), 1);
        const TMessageRequest question = ShownMessages()[0];
        EXPECT_EQ(question.Text, QStringLiteral("Deseja sair do sistema?"));
        EXPECT_EQ(question.Caption, Descricao_Sistema);
        EXPECT_EQ(question.Kind, TMsgKind::Question);
        EXPECT_EQ(question.Buttons, (QList<TMsgButton>{TMsgButton::Yes, TMsgButton::No}));
        EXPECT_EQ(question.DefaultButton, TMsgButton::Yes);

        answer = TMsgButton::Yes;
        close(window);
        EXPECT_EQ(Frm_Principal, nullptr);
        DeleteDeferred();
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(ShownMessages().size(), 2);
    }
}

// Runs the program's start-up with a folder as the working directory: the connection
// data module, then the main window with its creation handler.
class StartUpTest : public MainWindowTest {
protected:
    void TearDown() override {
        MainWindowTest::TearDown();
        dmPrincipal = nullptr;
        connections.reset();
        if (!savedDirectory.isEmpty()) QDir::setCurrent(savedDirectory);
    }

    void StartIn(const QString& folder) {
        savedDirectory = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder));
        connections = std::make_unique<TdmPrincipal>();
        dmPrincipal = connections.get();
        CreateMainWindow();
        ASSERT_NE(Frm_Principal, nullptr);
    }

    TSQLConnection& Session() { return *dmPrincipal->TorvaneConnection; }

    QString savedDirectory;
    std::unique_ptr<TdmPrincipal> connections;
};

TEST_F(StartUpTest, MissingDatabaseShowsOneErrorThenTheWindow) {
    QTemporaryDir folder;
    StartIn(folder.path());

    EXPECT_EQ(Frm_Principal->windowTitle(),
              QStringLiteral("Torvane Logradouros - 2019 | ") + Descricao_Cliente);
    ASSERT_EQ(ShownMessages().size(), 1);
    EXPECT_EQ(ShownMessages()[0].Kind, TMsgKind::Error);
    EXPECT_EQ(ShownMessages()[0].Caption, ApplicationTitle());

    EXPECT_EQ(QDir(DiretorioCorrente).canonicalPath(), QDir(folder.path()).canonicalPath());
    EXPECT_FALSE(DiretorioCorrente.endsWith(QLatin1Char('/')));
    EXPECT_FALSE(Session().Connected());
    EXPECT_EQ(Session().Params().Values(QStringLiteral("Database")),
              DiretorioCorrente + QStringLiteral("/LOGRADOUROS.FDB"));
    EXPECT_EQ(Session().Params().Values(QStringLiteral("ServerCharSet")),
              QStringLiteral("WIN1252"));
    EXPECT_EQ(Session().Params().Values(QStringLiteral("SQLDialect")), QStringLiteral("3"));
    EXPECT_EQ(Session().Params().Values(QStringLiteral("User_Name")), QStringLiteral("sysdba"));
    EXPECT_FALSE(dmPrincipal->ConectaAntigo->Connected());
}

TEST_F(StartUpTest, OpensTheDatabaseOfTheWorkingDirectory) {
    const TestDatabase database = TestDatabase::Sample();
    StartIn(database.Directory());

    EXPECT_TRUE(ShownMessages().isEmpty());
    EXPECT_TRUE(Session().Connected());
    EXPECT_FALSE(dmPrincipal->ConectaAntigo->Connected());
}

// The menu item and the toolbar button open the same registry, each time a fresh one
// on street 1 and the record page, destroyed when it closes.
TEST_F(StartUpTest, RegistryOpensFreshFromMenuAndToolbar) {
    const TestDatabase database = TestDatabase::Sample();
    StartIn(database.Directory());
    Frm_Principal->show();

    const struct {
        const char* route;
        std::function<void()> open;
    } routes[] = {
        {"menu", [] { Frm_Principal->BensMveis2->trigger(); }},
        {"toolbar", [] { Frm_Principal->SpeedButton6->click(); }},
        {"menu again", [] { Frm_Principal->BensMveis2->trigger(); }},
    };
    for (const auto& [route, open] : routes) {
        SCOPED_TRACE(route);
        QPointer<TFrm_Logradouros> seen;
        bool opened = false;
        bool onRecordPage = false;
        QString idAtOpening;
        QTimer::singleShot(0, [&] {
            WaitFor([] { return Frm_Logradouros != nullptr && Frm_Logradouros->isVisible(); });
            if (Frm_Logradouros == nullptr) return;
            seen = Frm_Logradouros;
            opened = true;
            onRecordPage = seen->PageControl1->currentWidget() == seen->TabCadastro;
            idAtOpening = seen->ddd->text();
            // Leave on the search page: the next opening must not start there.
            seen->PageControl1->setCurrentWidget(seen->TabPesquisaS);
            seen->reject();
        });
        open();

        ASSERT_TRUE(opened);
        EXPECT_TRUE(onRecordPage);
        EXPECT_EQ(idAtOpening, QStringLiteral("000001"));
        EXPECT_EQ(Frm_Logradouros, nullptr);
        EXPECT_TRUE(seen.isNull());  // destroyed, with its data module
        EXPECT_TRUE(ShownMessages().isEmpty());
    }
}

// Without a database the registry reports its errors, still opens, and is cleaned up.
TEST_F(StartUpTest, RegistryWithoutDatabaseIsStillCleanedUp) {
    QTemporaryDir folder;
    StartIn(folder.path());
    Frm_Principal->show();
    ClearShownMessages();

    QPointer<TFrm_Logradouros> seen;
    bool opened = false;
    QTimer::singleShot(0, [&] {
        opened = WaitFor([] { return Frm_Logradouros != nullptr && Frm_Logradouros->isVisible(); });
        seen = Frm_Logradouros;
        if (seen) seen->reject();
    });
    Frm_Principal->SpeedButton6->click();

    EXPECT_TRUE(opened);
    EXPECT_EQ(Frm_Logradouros, nullptr);
    EXPECT_TRUE(seen.isNull());
    EXPECT_FALSE(ShownMessages().isEmpty());
    for (const TMessageRequest& message : ShownMessages()) EXPECT_EQ(message.Kind, TMsgKind::Error);
    EXPECT_NE(Frm_Principal, nullptr);
}

TEST_F(MainWindowTest, ActivationSetsDateSettingsAndToday) {
    TFrm_Principal* window = NewWindow();
    const TFormatSettings saved = FormatSettings();
    FormatSettings() = TFormatSettings::FromSystem();
    window->calendario->setSelectedDate(QDate(2001, 1, 1));

    window->show();
    window->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }));
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(FormatSettings().LongMonthNames[2], QStringLiteral("Março"));
    EXPECT_EQ(window->calendario->selectedDate(), QDate::currentDate());

    // Back to today after a modal window of the program closes.
    window->calendario->setSelectedDate(QDate(2001, 1, 1));
    QDialog dialog(window);
    QTimer::singleShot(0, &dialog, [&] {
        WaitFor([&] { return dialog.isActiveWindow(); }, 1000);
        dialog.accept();
    });
    dialog.exec();
    EXPECT_TRUE(
        WaitFor([&] { return window->calendario->selectedDate() == QDate::currentDate(); }));

    FormatSettings() = saved;
}

// A window titled "Calculadora" blocks the launch; without one the first calculator
// on PATH is started.
TEST_F(MainWindowTest, CalculatorButton) {
    TFrm_Principal* window = NewWindow();
    window->show();
    QStringList started;
    Calculator::SetProgramStarter([&](const QString& program) {
        started.append(program);
        return true;
    });
    QTemporaryDir bin;
    const QString fakeCalculator = bin.filePath(QStringLiteral("galculator"));
    {
        QFile file(fakeCalculator);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());

    {
        QWidget calculator;
        calculator.setWindowTitle(QStringLiteral("Calculadora"));
        calculator.show();
        window->SpeedButton5->click();
        EXPECT_TRUE(started.isEmpty());
        ASSERT_EQ(ShownMessages().size(), 1);
        EXPECT_EQ(ShownMessages()[0].Text, QStringLiteral("Calculadora não disponível"));
        EXPECT_EQ(ShownMessages()[0].Kind, TMsgKind::Information);
        EXPECT_EQ(ShownMessages()[0].Buttons, QList<TMsgButton>{TMsgButton::OK});
        EXPECT_EQ(ShownMessages()[0].Caption, ApplicationTitle());
    }

    ClearShownMessages();
    window->SpeedButton5->click();
    EXPECT_EQ(started, QStringList{fakeCalculator});
    EXPECT_TRUE(ShownMessages().isEmpty());

    qputenv("PATH", savedPath);
    Calculator::SetProgramStarter({});
}

}  // namespace

TEST_F(MainWindowTest, ExportFormatComponentsRegisterTheirFiltersWhileTheWindowLives) {
    TFrm_Principal* window = NewWindow();
    EXPECT_EQ(window->VRTextFilter1->objectName(), "VRTextFilter1");
    EXPECT_EQ(window->VRCSVFilter1->objectName(), "VRCSVFilter1");
    EXPECT_EQ(TextExportSettings().Separator, u';');
    EXPECT_EQ(TextExportSettings().TextEncoding, DefaultEncoding);
    QStringList names;
    for (const TVRExportFilterLibraryEntry& entry : VRExportFilterLibrary().Filters())
        names.append(entry.FName);
    EXPECT_EQ(names,
              (QStringList{"Text file", "Comma Separated", "PDF document", "HTML document"}));
    EXPECT_EQ(window->VRPDFFilter1->objectName(), "VRPDFFilter1");
    EXPECT_FALSE(window->VRPDFFilter1->CompressionOn);
    EXPECT_EQ(PDFExportSettings().Codepage, "1252");
    EXPECT_EQ(PDFExportSettings().TextEncoding, AnsiEncoding);
    EXPECT_FALSE(PDFExportSettings().SuppressDateTime);
    EXPECT_EQ(window->VRHTMLFilter1->objectName(), "VRHTMLFilter1");
    EXPECT_EQ(HTMLExportSettings().TextEncoding, AnsiEncoding);

    delete Frm_Principal;
    Frm_Principal = nullptr;
    EXPECT_EQ(VRExportFilterLibrary().Count(), 0);
}
