#pragma once

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <functional>

class QAction;
class QCalendarWidget;
class QMenu;
class QMenuBar;
class QToolButton;
class TImage;
class TVRCSVFilter;
class TVRHTMLFilter;
class TVRPDFFilter;
class TVRTextFilter;

// The main window: menu, toolbar, background picture and month calendar. Creating it
// opens the database session; activating it fixes the date settings; closing it asks
// before ending the program.
class TFrm_Principal : public QMainWindow {
    Q_OBJECT

public:
    explicit TFrm_Principal(QWidget* owner = nullptr);

    QWidget* ToolBar1 = nullptr;
    QToolButton* SpeedButton6 = nullptr;  // "Usuários": opens the street registry
    QToolButton* SpeedButton5 = nullptr;  // "Calculadora"
    QToolButton* SpeedButton1 = nullptr;  // "Sair do Sistema"
    QCalendarWidget* calendario = nullptr;
    TImage* Image1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QList<QIcon> ImageList1;  // the 31 menu icons, by index

    // The export formats every report preview offers, registered while the window lives.
    TVRTextFilter* VRTextFilter1 = nullptr;
    TVRCSVFilter* VRCSVFilter1 = nullptr;
    TVRPDFFilter* VRPDFFilter1 = nullptr;
    TVRHTMLFilter* VRHTMLFilter1 = nullptr;

    QMenu* BensMveis1 = nullptr;    // "Cadastro"
    QAction* BensMveis2 = nullptr;  // "Logradouros"
    QMenu* Relatrios15 = nullptr;   // "Relatórios"
    QAction* RelatriodosLogradouros1 = nullptr;
    QAction* RelatriodosLogradourosporFiltragem1 = nullptr;
    QAction* Sair1 = nullptr;  // "Sair"

    // The creation handler: title, then the session pointed at LOGRADOUROS.FDB in the
    // current directory and opened. Throws when the session cannot be opened.
    void FormCreate();
    // Date settings, then the calendar back to today.
    void FormActivate();

    void BensMveis2Click();
    void SpeedButton6Click();
    void SpeedButton5Click();
    void SpeedButton1Click();
    void Sair1Click();
    void RelatriodosLogradouros1Click();
    void RelatriodosLogradourosporFiltragem1Click();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // FormClose: the exit question.
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateExportFilters();
    void CreateToolBar();
    void CreateMenu();
    std::function<void()> AsCommand(void (TFrm_Principal::*handler)());
    QAction* AddCommand(QMenu* menu, const QString& name, const QString& caption, int imageIndex,
                        void (TFrm_Principal::*handler)());
    void OpenStreetRegistry();
    // Runs the full listing's command with the commands that would disturb it
    // unavailable meanwhile, and ends the program afterwards when the exit was
    // confirmed during it.
    void RunListingCommand(const std::function<void()>& command);
    // The exit was confirmed while a listing was being made: its run was cancelled and
    // the window closes, without asking again, once the command has returned.
    bool FExitAfterCommand = false;
    // Names and descriptions for assistive technology (MainWindowAccessibility.cpp).
    void DescribeControls();
};

// The main window while it exists; none once the user has confirmed the exit.
extern TFrm_Principal* Frm_Principal;

// Creates the main window into Frm_Principal: the global is set before the creation
// handler runs, and an error of that handler goes to the standard error display while
// the window is still created.
void CreateMainWindow();
