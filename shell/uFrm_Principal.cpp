#include "shell/uFrm_Principal.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "app/DatabaseConfig.h"
#include "app/ExportFilterComponents.h"
#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "core/Colors.h"
#include "core/Exception.h"
#include "core/Messages.h"
#include "data/TSQLConnection.h"
#include "registry/uFrm_Logradouros.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "reports/uFrm_PorGeral.h"
#include "reports/uFrm_Relatorio31.h"
#include "shell/Calculator.h"
#include "shell/TImage.h"

TFrm_Principal* Frm_Principal = nullptr;

// The artwork lives in this library's resources; a static library has to register
// them itself, and Q_INIT_RESOURCE may not be used inside a namespace.
static void InitArtwork() {
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int kDesignClientWidth = 1044;
constexpr int kDesignClientHeight = 459;
constexpr int kIconSize = 16;
constexpr int kToolBarHeight = 49;
constexpr int kSpeedButtonWidth = 50;
constexpr int kSpeedButtonHeight = 44;
constexpr int kSpeedButtonTop = 2;
constexpr int kCalendarWidth = 278;
// The toolbar's colour: the usual scroll-bar grey of the desktop palette.
const QColor kScrollBarColor(200, 200, 200);

// An image list: a strip of square icons side by side, read left to right.
QList<QIcon> LoadImageList(const QString& path, int size) {
    const QImage strip(path);
    QList<QIcon> icons;
    for (int x = 0; x + size <= strip.width(); x += size) {
        icons.append(QIcon(QPixmap::fromImage(strip.copy(x, 0, size, size))));
    }
    return icons;
}

// A two-state glyph: one bitmap with the normal image on the left and the disabled
// image on the right, each as wide as the bitmap is high.
QIcon LoadGlyph(const QString& path) {
    const QImage glyph(path);
    const int size = glyph.height();
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(glyph.copy(0, 0, size, size)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(glyph.copy(size, 0, size, size)), QIcon::Disabled);
    return icon;
}

// Runs a command's modal window, held in its global reference, then closes and
// destroys it whatever happened and resets the reference; an error still reaches the
// caller after the clean-up.
template <class Window, class Run>
void RunModalWindow(Window*& window, const Run& run) {
    std::exception_ptr failure;
    try {
        run(*window);
    } catch (...) {
        failure = std::current_exception();
    }
    if (window != nullptr) {
        window->close();
        delete window;
        window = nullptr;
    }
    if (failure) std::rethrow_exception(failure);
}

// A menu item's caption as a report title: without its first access-key mark.
QString CaptionWithoutAccessKey(QString caption) {
    const qsizetype mark = caption.indexOf(QLatin1Char('&'));
    if (mark >= 0) caption.remove(mark, 1);
    return caption;
}

QImage LoadJpegResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Exception(QStringLiteral("Cannot open picture %1").arg(path));
    }
    return Jpeg::Decode(file.readAll());
}

}  // namespace

TFrm_Principal::TFrm_Principal(QWidget* owner) : QMainWindow(owner) {
    InitArtwork();
    setObjectName(QStringLiteral("Frm_Principal"));
    setWindowTitle(QStringLiteral("Principal"));  // replaced by FormCreate
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setWindowState(Qt::WindowMaximized);
    CreateExportFilters();

    ImageList1 = LoadImageList(QStringLiteral(":/artwork/ImageList1.png"), kIconSize);

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    CreateToolBar();
    column->addWidget(ToolBar1);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    Image1 = new TImage(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    RunCommand(
        [this] { Image1->SetPicture(LoadJpegResource(QStringLiteral(":/artwork/Image1.jpg"))); });
    row->addWidget(Image1, 1);

    calendario = new QCalendarWidget(client);
    calendario->setObjectName(QStringLiteral("calendario"));
    calendario->setFixedWidth(kCalendarWidth);
    calendario->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    calendario->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Month and day names in the language of the rest of the program.
    calendario->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    calendario->setFirstDayOfWeek(Qt::Sunday);
    // Today already before the first activation (FormActivate sets it again each time).
    calendario->setSelectedDate(QDate::currentDate());
    // The month title bar in blue, its texts in white.
    const QColor titleColor = ToQColor(clBlue);
    calendario->setStyleSheet(
        QStringLiteral("#qt_calendar_navigationbar { background-color: %1; }"
                       "#qt_calendar_navigationbar QToolButton { color: white; }")
            .arg(titleColor.name()));
    row->addWidget(calendario);
    column->addLayout(row, 1);
    setCentralWidget(client);

    CreateMenu();
    // The design size is that of the client area, below the menu bar.
    resize(kDesignClientWidth, kDesignClientHeight + MainMenu1->sizeHint().height());
    // Without a window manager (a bare X server) nobody maximises the window: start it
    // covering the screen's free area, which a window manager then keeps as maximised.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }

    DescribeControls();

    // Watch the program's modal windows closing (see eventFilter).
    qApp->installEventFilter(this);
}

// Created in the order the preview's save dialog lists them: text, CSV, PDF, HTML.
void TFrm_Principal::CreateExportFilters() {
    const TExportFilterComponents components = CreateExportFilterComponents(this);
    VRTextFilter1 = components.Text;
    VRCSVFilter1 = components.CSV;
    VRPDFFilter1 = components.PDF;
    VRHTMLFilter1 = components.HTML;
}

void TFrm_Principal::CreateToolBar() {
    ToolBar1 = new QWidget(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->setAutoFillBackground(true);
    QPalette palette = ToolBar1->palette();
    palette.setColor(QPalette::Window, kScrollBarColor);
    ToolBar1->setPalette(palette);

    struct ButtonSpec {
        QToolButton*& button;
        const char* name;
        QString hint;
        QString glyph;
        void (TFrm_Principal::*handler)();
    };
    const ButtonSpec buttons[] = {
        {SpeedButton6, "SpeedButton6", QStringLiteral("Usuários"),
         QStringLiteral(":/artwork/SpeedButton6.png"), &TFrm_Principal::SpeedButton6Click},
        {SpeedButton5, "SpeedButton5", QStringLiteral("Calculadora"),
         QStringLiteral(":/artwork/SpeedButton5.png"), &TFrm_Principal::SpeedButton5Click},
        {SpeedButton1, "SpeedButton1", QStringLiteral("Sair do Sistema"),
         QStringLiteral(":/artwork/SpeedButton1.png"), &TFrm_Principal::SpeedButton1Click},
    };
    int left = 0;
    for (const ButtonSpec& spec : buttons) {
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QLatin1String(spec.name));
        button->setGeometry(left, kSpeedButtonTop, kSpeedButtonWidth, kSpeedButtonHeight);
        button->setAutoRaise(true);
        button->setIcon(LoadGlyph(spec.glyph));
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setToolTip(spec.hint);
        connect(button, &QToolButton::clicked, this, AsCommand(spec.handler));
        spec.button = button;
        left += kSpeedButtonWidth;
    }
}

// A handler run as a command: whatever error escapes it goes to the standard error
// display and the program carries on.
std::function<void()> TFrm_Principal::AsCommand(void (TFrm_Principal::*handler)()) {
    return [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
}

QAction* TFrm_Principal::AddCommand(QMenu* menu, const QString& name, const QString& caption,
                                    int imageIndex, void (TFrm_Principal::*handler)()) {
    QAction* action = menu->addAction(ImageList1.value(imageIndex), caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, AsCommand(handler));
    return action;
}

void TFrm_Principal::CreateMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    BensMveis1 = MainMenu1->addMenu(QStringLiteral("Cadastro"));
    BensMveis1->setObjectName(QStringLiteral("BensMveis1"));
    BensMveis2 = AddCommand(BensMveis1, QStringLiteral("BensMveis2"), QStringLiteral("Logradouros"),
                            0, &TFrm_Principal::BensMveis2Click);

    Relatrios15 = BensMveis1->addMenu(ImageList1.value(24), QStringLiteral("Relatórios"));
    Relatrios15->setObjectName(QStringLiteral("Relatrios15"));
    RelatriodosLogradouros1 = AddCommand(Relatrios15, QStringLiteral("RelatriodosLogradouros1"),
                                         QStringLiteral("Relatório dos Logradouros"), 23,
                                         &TFrm_Principal::RelatriodosLogradouros1Click);
    RelatriodosLogradourosporFiltragem1 =
        AddCommand(Relatrios15, QStringLiteral("RelatriodosLogradourosporFiltragem1"),
                   QStringLiteral("Relatório dos Logradouros - Pesquisa"), 23,
                   &TFrm_Principal::RelatriodosLogradourosporFiltragem1Click);

    Sair1 = MainMenu1->addAction(QStringLiteral("Sair"));
    Sair1->setObjectName(QStringLiteral("Sair1"));
    connect(Sair1, &QAction::triggered, this, AsCommand(&TFrm_Principal::Sair1Click));
}

void TFrm_Principal::FormCreate() {
    setWindowTitle(Descricao_Sistema + QStringLiteral(" | ") + Descricao_Cliente);

    // The database is LOGRADOUROS.FDB in the working directory of the process (not the
    // folder of the executable), unless the installation configures another one.
    DiretorioCorrente = QDir::currentPath();
    while (DiretorioCorrente.endsWith(QLatin1Char('/'))) DiretorioCorrente.chop(1);
    if (dmPrincipal == nullptr)
        throw Exception(QStringLiteral("The connection data module is missing"));
    TSQLConnection& session = *dmPrincipal->TorvaneConnection;
    const DatabaseConfig database = DatabaseConfig::Load(DiretorioCorrente);
    database.Apply(session);
    database.Open(session);
}

void TFrm_Principal::FormActivate() {
    AcertaPadraoData();
    const QDate today = QDate::currentDate();
    calendario->setSelectedDate(today);
    calendario->setCurrentPage(today.year(), today.month());
}

bool TFrm_Principal::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) RunCommand([this] { FormActivate(); });
    return QMainWindow::event(event);
}

// When a modal window of the program closes, the main window becomes the active
// window again, so FormActivate runs. Without a window manager (or on platforms that
// leave activation to the application) nobody else would hand activation back.
bool TFrm_Principal::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched != this && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->windowModality() != Qt::NonModal) {
            QTimer::singleShot(0, this, [this] {
                if (isVisible() && QApplication::activeModalWidget() == nullptr) activateWindow();
            });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrm_Principal::closeEvent(QCloseEvent* event) {
    if (FExitAfterCommand && Frm_Relatorio31 == nullptr) {
        setAttribute(Qt::WA_DeleteOnClose);
        if (Frm_Principal == this) Frm_Principal = nullptr;
        event->accept();
        return;
    }
    if (FExitAfterCommand) {
        event->ignore();
        return;
    }
    if (AskQuestion(QStringLiteral("Deseja sair do sistema?"), Descricao_Sistema,
                    TMsgButton::Yes)) {
        if (Frm_Relatorio31 != nullptr) {
            // A listing is being made lower on the stack, on a host this window owns:
            // destroying them now would pull the run's data from under it. The run is
            // cancelled, and the window closes once the command has returned.
            FExitAfterCommand = true;
            Frm_Relatorio31->CancelRun();
            event->ignore();
            return;
        }
        // Free the window on close; its destruction ends the message loop.
        setAttribute(Qt::WA_DeleteOnClose);
        if (Frm_Principal == this) Frm_Principal = nullptr;
        event->accept();
    } else {
        event->ignore();
    }
}

void TFrm_Principal::BensMveis2Click() {
    OpenStreetRegistry();
}

void TFrm_Principal::SpeedButton6Click() {
    OpenStreetRegistry();
}

void TFrm_Principal::SpeedButton5Click() {
    if (Calculator::TopLevelWindowExists(QStringLiteral("Calculadora"))) {
        ShowMessage(QStringLiteral("Calculadora não disponível"));
        return;
    }
    Calculator::Start();
}

void TFrm_Principal::SpeedButton1Click() {
    close();
}

void TFrm_Principal::Sair1Click() {
    close();
}

void TFrm_Principal::RelatriodosLogradouros1Click() {
    TituloRelatorio = CaptionWithoutAccessKey(RelatriodosLogradouros1->text());
    RunListingCommand([this] { RunStreetListing(this, NoListingFilter(), QString()); });
}

// The listing's run dispatches window messages before every row, and this window
// takes commands meanwhile (the filtered listing runs under its modal dialog instead).
// The calculator and the exit stay available; the exit cancels the run.
void TFrm_Principal::RunListingCommand(const std::function<void()>& command) {
    const QList<QAction*> actions{BensMveis2, RelatriodosLogradouros1,
                                  RelatriodosLogradourosporFiltragem1};
    for (QAction* action : actions) action->setEnabled(false);
    SpeedButton6->setEnabled(false);
    const auto after = qScopeGuard([this, actions] {
        for (QAction* action : actions) action->setEnabled(true);
        SpeedButton6->setEnabled(true);
        if (FExitAfterCommand) QTimer::singleShot(0, this, [this] { close(); });
    });
    command();
}

// A fresh dialog per command, destroyed when it closes whatever happened, so that every
// opening starts with empty boxes.
void TFrm_Principal::RelatriodosLogradourosporFiltragem1Click() {
    TituloRelatorio = CaptionWithoutAccessKey(RelatriodosLogradourosporFiltragem1->text());
    if (Frm_PorGeral == nullptr) Frm_PorGeral = new TFrm_PorGeral(this);
    Relatorio = 1;
    RunModalWindow(Frm_PorGeral, [](TFrm_PorGeral& window) { window.exec(); });
}

// A fresh registry window (with its own street data module) per command, shown
// modally and destroyed afterwards whatever happened, so that nothing of one registry
// session survives into the next. An error still reaches the caller after the
// clean-up.
void TFrm_Principal::OpenStreetRegistry() {
    if (Frm_Logradouros == nullptr) Frm_Logradouros = new TFrm_Logradouros(this);
    RunModalWindow(Frm_Logradouros, [](TFrm_Logradouros& window) {
        window.Botao_AtivaDesativa->click();
        window.exec();
    });
}

void CreateMainWindow() {
    auto* window = new TFrm_Principal;
    Frm_Principal = window;
    RunCommand([window] { window->FormCreate(); });
}
