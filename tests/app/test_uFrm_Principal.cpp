// The main window on the offscreen platform: menu, toolbar, exit question, start-up
// without a database, activation and the calculator button.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/Calculator.h"
#include "app/TImage.h"
#include "app/uFrm_Principal.h"
#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "data/TSQLConnection.h"
#include "report_engine/FormatSettings.h"
#include "toolkit/Dialogs.h"

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

// Runs the program's start-up in a folder: the connection data module, then the
// main window with its creation handler.
class StartUpTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        savedDirectory = QDir::currentPath();
        QDir::setCurrent(folder.path());
        connections = std::make_unique<TdmPrincipal>();
        dmPrincipal = connections.get();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        dmPrincipal = nullptr;
        connections.reset();
        QDir::setCurrent(savedDirectory);
    }

    QTemporaryDir folder;
    QString savedDirectory;
    std::unique_ptr<TdmPrincipal> connections;
};

TEST_F(StartUpTest, MissingDatabaseShowsOneErrorThenTheWindow) {
    CreateMainWindow();

    ASSERT_NE(Frm_Principal, nullptr);
    EXPECT_EQ(Frm_Principal->windowTitle(),
              QStringLiteral("Torvane Logradouros - 2019 | ") + Descricao_Cliente);
    ASSERT_EQ(ShownMessages().size(), 1);
    EXPECT_EQ(ShownMessages()[0].Kind, TMsgKind::Error);
    EXPECT_EQ(ShownMessages()[0].Caption, ApplicationTitle());

    const QString canonical = QDir(folder.path()).canonicalPath();
    EXPECT_EQ(QDir(DiretorioCorrente).canonicalPath(), canonical);
    EXPECT_FALSE(DiretorioCorrente.endsWith(QLatin1Char('/')));
    const TSQLConnection& session = *dmPrincipal->TorvaneConnection;
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(session.Params().Values(QStringLiteral("Database")),
              DiretorioCorrente + QStringLiteral("/LOGRADOUROS.FDB"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("ServerCharSet")), QStringLiteral("WIN1252"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("SQLDialect")), QStringLiteral("3"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("User_Name")), QStringLiteral("sysdba"));
    EXPECT_FALSE(dmPrincipal->ConectaAntigo->Connected());
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
