#include "report_engine/ui/preview/TVRStandardPreview.h"

#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "core/Exception.h"
#include "core/HourGlass.h"
#include "core/Messages.h"
#include "report_engine/base/DurableFile.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/printer/StoredPagesPdf.h"
#include "report_engine/printer/TVRPageSearch.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/ui/preview/TSearchDlg.h"
#include "report_engine/ui/preview/TVRPreview.h"
#include "report_engine/ui/preview/TVRPrinterSetup.h"
#include "report_engine/ui/preview/TVRThumbGrid.h"

namespace {

const int zoomMenuSteps[] = {50,  60,  70,  80,  90,  100, 110, 120,
                             130, 140, 150, 160, 170, 180, 190, 200};

// A file that exists may be saved over only when this process can open it for reading
// and writing and nobody else holds a lock on it.
// The copied page's picture at 300 dots per inch, so that a pasted page prints as
// sharply as the report itself; the page's own size is at 96.
QSize ClipboardPixelSize(const TVRMetafile& page) {
    constexpr double clipboardScale = 300.0 / 96.0;
    return QSize(qRound(page.Width() * clipboardScale), qRound(page.Height() * clipboardScale));
}

bool CanTakeOver(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite)) return false;
    const bool locked = ::flock(file.handle(), LOCK_EX | LOCK_NB) != 0;
    if (!locked) ::flock(file.handle(), LOCK_UN);
    return !locked;
}

}  // namespace

TVRStandardPreview::TVRStandardPreview(TVRPrinter& printer, QWidget* parent)
    : QDialog(parent), FVRPrinter(&printer) {
    setObjectName(QStringLiteral("VRStandardPreview"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    FReport = dynamic_cast<TCustomVRReport*>(printer.Master());
    BuildWindow();
    Button(QStringLiteral("CancelButton"))->setEnabled(false);
    Button(QStringLiteral("ZoomPickButton"))->setEnabled(false);

    FVRPreview->SetVRPrinter(&printer);
    FThumbGrid->SetVRPrinter(&printer);
    FVRPreview->OnPageAvailable = [this](int) { PagesAvailable(); };
    FVRPreview->OnProgressUpdate = [this](int percent) { ProgressUpdate(percent); };
    FVRPreview->OnPageTurned = [this](int page) { PageTurned(page); };
    FVRPreview->OnZoomStep = [this](int step) { step > 0 ? ZoomIn() : ZoomOut(); };
    FThumbGrid->OnPageChosen = [this](int page) { SelectPage(page); };
    SetUpKeysAndNames();
    SelectPage(1);

    TakeReportSettings();
    // Nothing of the window's own to skip at creation: the answer is not asked for.
    HandledByReport(speCreate, QString());
    setWindowTitle(FTitle.isEmpty() ? QStringLiteral("Report Preview : ")
                                    : QStringLiteral("Report Preview : ") + FTitle);
    FTabs->setVisible(ShowThumbs || ShowSearch);
    FTabs->setTabVisible(FTabs->indexOf(FTabThumbs), ShowThumbs);
    FTabs->setTabVisible(FTabs->indexOf(FTabSearchResult), ShowSearch);
    Button(QStringLiteral("FindButton"))->setVisible(ShowSearch);
    FThumbGrid->SetRowCount(PageCount());

    switch (InitZoom) {
        case vrZoomToFit:
            ZoomFitClick();
            break;
        case vrZoomToWidth:
            ZoomToWidthClick();
            break;
        default:
            FVRPreview->SetZoom(FReport ? FReport->Zoom : 100);
            Button(QStringLiteral("Zoom100"))->setChecked(true);
            ShowZoom();
            break;
    }
    if (RunFinished()) PagesAvailable();
    qApp->installEventFilter(this);
}

TVRStandardPreview::~TVRStandardPreview() {
    qApp->removeEventFilter(this);
}

void TVRStandardPreview::ShowPreview(TVRPrinter& printer, bool modal) {
    QPointer<QWidget> opener = QApplication::activeWindow();
    if (modal) {
        TVRStandardPreview window(printer, opener);
        window.exec();
    } else {
        auto* window = new TVRStandardPreview(printer, opener);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return;
    }
    if (opener) opener->activateWindow();
}

// ---- Building ----------------------------------------------------------------------

void TVRStandardPreview::BuildWindow() {
    resize(885, 608);
    auto* toolBar = new QWidget(this);
    FToolBar = toolBar;
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setFixedHeight(40);
    auto* tools = new QHBoxLayout(toolBar);
    tools->setContentsMargins(4, 4, 4, 4);
    tools->setSpacing(1);

    QStyle* look = style();
    auto addButton = [&](const char* name, const char* hint, const QIcon& icon,
                         const QString& text = QString()) {
        auto* button = new QToolButton(toolBar);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromLatin1(hint));
        button->setAutoRaise(true);
        button->setFixedSize(32, 32);
        if (!icon.isNull()) {
            button->setIcon(icon);
            button->setIconSize(QSize(20, 20));
        } else {
            button->setText(text);
        }
        tools->addWidget(button);
        return button;
    };
    auto addSeparator = [&] {
        auto* line = new QFrame(toolBar);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        tools->addSpacing(3);
        tools->addWidget(line);
        tools->addSpacing(3);
    };

    auto* zoomGroup = new QButtonGroup(this);
    QToolButton* fit = addButton("ZoomFit", "Zoom to fit", {}, QStringLiteral("Fit"));
    QToolButton* width = addButton("ZoomToWidth", "Zoom to width", {}, QStringLiteral("↔"));
    QToolButton* full = addButton("Zoom100", "100% Size", {}, QStringLiteral("1:1"));
    for (QToolButton* button : {fit, width, full}) {
        button->setCheckable(true);
        zoomGroup->addButton(button);
    }
    QToolButton* pick = addButton("ZoomPickButton", "Set Display Zoom", {}, QStringLiteral("%"));
    addSeparator();
    QToolButton* first =
        addButton("FirstPage", "First page", look->standardIcon(QStyle::SP_MediaSkipBackward));
    QToolButton* previous =
        addButton("PreviousPage", "Previous page", look->standardIcon(QStyle::SP_ArrowLeft));
    QToolButton* next =
        addButton("nextPage", "Next page", look->standardIcon(QStyle::SP_ArrowRight));
    QToolButton* last =
        addButton("LastPage", "Last page", look->standardIcon(QStyle::SP_MediaSkipForward));
    addSeparator();
    QToolButton* gotoPage = addButton("GotoPageButton", "Select a Page", {}, QStringLiteral("#"));
    QToolButton* find = addButton("FindButton", "Search for Text",
                                  look->standardIcon(QStyle::SP_FileDialogContentsView));
    addSeparator();
    QToolButton* copy = addButton("copybutton", "Copy page to clipboard",
                                  look->standardIcon(QStyle::SP_FileDialogDetailedView));
    QToolButton* setup =
        addButton("PrintSetup", "Printer setup", look->standardIcon(QStyle::SP_FileDialogListView));
    QToolButton* print = addButton("Print", "Print", look->standardIcon(QStyle::SP_DriveFDIcon));
    QToolButton* load =
        addButton("LoadReport", "Load report", look->standardIcon(QStyle::SP_DialogOpenButton));
    QToolButton* save =
        addButton("SaveReport", "Save report", look->standardIcon(QStyle::SP_DialogSaveButton));
    addSeparator();
    QToolButton* cancel =
        addButton("CancelButton", "Cancel the report", look->standardIcon(QStyle::SP_BrowserStop));
    auto* exitButton = new QToolButton(toolBar);
    exitButton->setObjectName(QStringLiteral("ExitButton"));
    exitButton->setToolTip(QStringLiteral("Close Preview"));
    exitButton->setText(QStringLiteral("&Close"));
    exitButton->setAutoRaise(true);
    exitButton->setFixedSize(67, 32);
    QFont exitFont(QStringLiteral("Arial"));
    exitFont.setPixelSize(15);
    exitButton->setFont(exitFont);
    tools->addWidget(exitButton);
    tools->addStretch();

    // Page navigation and the run's commands are enabled as pages become available.
    for (QToolButton* button :
         {first, previous, next, last, copy, gotoPage, find, setup, print, load, save})
        button->setEnabled(false);

    FZoomMenu = new QMenu(this);
    FZoomMenu->setObjectName(QStringLiteral("Zoommenu"));
    for (const int percent : zoomMenuSteps) {
        QAction* item = FZoomMenu->addAction(QString::number(percent) + QStringLiteral("%"));
        item->setObjectName(QStringLiteral("N") + QString::number(percent));
        connect(item, &QAction::triggered, this,
                [this, item] { RunCommand([&] { ZoomMenuClick(item->objectName()); }); });
    }

    auto run = [this](QToolButton* button, void (TVRStandardPreview::*command)()) {
        connect(button, &QToolButton::clicked, this,
                [this, command] { RunCommand([&] { (this->*command)(); }); });
    };
    run(fit, &TVRStandardPreview::ZoomFitClick);
    run(width, &TVRStandardPreview::ZoomToWidthClick);
    run(full, &TVRStandardPreview::Zoom100Click);
    connect(pick, &QToolButton::clicked, this,
            [this, pick] { FZoomMenu->popup(pick->mapToGlobal(pick->rect().center())); });
    run(first, &TVRStandardPreview::FirstPageClick);
    run(previous, &TVRStandardPreview::PreviousPageClick);
    run(next, &TVRStandardPreview::NextPageClick);
    run(last, &TVRStandardPreview::LastPageClick);
    run(gotoPage, &TVRStandardPreview::GotoPageClick);
    run(find, &TVRStandardPreview::FindButtonClick);
    run(copy, &TVRStandardPreview::CopyButtonClick);
    run(setup, &TVRStandardPreview::PrintSetupClick);
    run(print, &TVRStandardPreview::PrintClick);
    run(load, &TVRStandardPreview::LoadReportClick);
    run(save, &TVRStandardPreview::SaveReportClick);
    run(cancel, &TVRStandardPreview::CancelButtonClick);
    connect(exitButton, &QToolButton::clicked, this, [this] { close(); });

    // The tabs: thumbnails and search results.
    FTabs = new QTabWidget;
    FTabs->setObjectName(QStringLiteral("PageControl"));
    FTabThumbs = new QWidget;
    FTabThumbs->setObjectName(QStringLiteral("TabThumbs"));
    FThumbGrid = new TVRThumbGrid(FTabThumbs);
    auto* thumbLayout = new QVBoxLayout(FTabThumbs);
    thumbLayout->setContentsMargins(0, 0, 0, 0);
    thumbLayout->addWidget(FThumbGrid);
    FTabs->addTab(FTabThumbs, QStringLiteral("ThumbNails"));

    FTabSearchResult = new QWidget;
    FTabSearchResult->setObjectName(QStringLiteral("TabSearchResult"));
    auto* group = new QGroupBox(QStringLiteral("Search Text"), FTabSearchResult);
    FSearchTextLabel = new QLabel(group);
    FSearchTextLabel->setObjectName(QStringLiteral("SearchTextLabel"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(FSearchTextLabel);
    FSearchResultBox = new QListWidget(FTabSearchResult);
    FSearchResultBox->setObjectName(QStringLiteral("SearchResultBox"));
    auto* searchLayout = new QVBoxLayout(FTabSearchResult);
    searchLayout->setContentsMargins(2, 2, 2, 2);
    searchLayout->addWidget(group);
    searchLayout->addWidget(FSearchResultBox, 1);
    FTabs->addTab(FTabSearchResult, QStringLiteral("Search Results"));
    connect(FSearchResultBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { RunCommand([&] { SearchResultClicked(item); }); });

    FVRPreview = new TVRPreview;
    FSplitter = new QSplitter(Qt::Horizontal);
    FSplitter->setObjectName(QStringLiteral("Splitter1"));
    FSplitter->addWidget(FTabs);
    FSplitter->addWidget(FVRPreview);
    FSplitter->setStretchFactor(0, 0);
    FSplitter->setStretchFactor(1, 1);
    FSplitter->setSizes({193, 692});
    FSplitter->setChildrenCollapsible(false);

    FStatusBar = new QStatusBar;
    FStatusBar->setObjectName(QStringLiteral("StatusBar"));
    FStatusBar->setSizeGripEnabled(false);
    const int widths[] = {60, 120, 120, 50};
    const char* initial[] = {"0%", "Page", "Zoom", "Report"};
    for (int panel = 0; panel < 4; ++panel) {
        FPanels[panel] = new QLabel(QString::fromLatin1(initial[panel]));
        FPanels[panel]->setMinimumWidth(widths[panel]);
        if (panel < 3) FPanels[panel]->setFixedWidth(widths[panel]);
        FPanels[panel]->setFrameShape(QFrame::StyledPanel);
        if (panel == 0) FPanels[panel]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        FStatusBar->addWidget(FPanels[panel], panel == 3 ? 1 : 0);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(FSplitter, 1);
    layout->addWidget(FStatusBar);
}

void TVRStandardPreview::TakeReportSettings() {
    if (FVRPrinter) FReportOrientation = FVRPrinter->PrinterSettings().Orientation;
    if (!FReport) return;
    if (FReport->PrevFormStyle == 1) setWindowFlag(Qt::WindowStaysOnTopHint, true);
    ShowThumbs = FReport->PrevShowThumbs;
    ShowSearch = FReport->PrevShowSearch;
    InitZoom = FReport->PrevInitialZoom;
    FTitle = FReport->ReportTitle;
    if (FVRPrinter) FVRPrinter->SetTitle(FTitle);
    FReportOrientation = FReport->Page().Orientation();
    switch (FReport->PreviewInitialState) {
        case pwsMaximized:
            setWindowState(Qt::WindowMaximized);
            break;
        case pwsMinimized:
            setWindowState(Qt::WindowMinimized);
            [[fallthrough]];
        default:
            if (FReport->PreviewWidth > 0 && FReport->PreviewHeight > 0)
                setGeometry(FReport->PreviewLeft, FReport->PreviewTop, FReport->PreviewWidth,
                            FReport->PreviewHeight);
            break;
    }
}

// ---- State -------------------------------------------------------------------------

QToolButton* TVRStandardPreview::Button(const QString& name) const {
    return FToolBar->findChild<QToolButton*>(name);
}

QString TVRStandardPreview::PanelText(int panel) const {
    return panel >= 0 && panel < 4 ? FPanels[panel]->text() : QString();
}

int TVRStandardPreview::PageCount() const {
    return FVRPrinter ? FVRPrinter->PageCount() : 0;
}

int TVRStandardPreview::PageNumber() const {
    return FVRPreview->PageNumber();
}

bool TVRStandardPreview::RunFinished() const {
    return FVRPrinter && FVRPrinter->Status() == mpFinished;
}

void TVRStandardPreview::UpdateInfo() {
    FPanels[1]->setText(QStringLiteral("Page") + QStringLiteral(" ") +
                        QString::number(PageNumber()) + QStringLiteral(" ") + QStringLiteral("of") +
                        QStringLiteral(" ") + QString::number(PageCount()));
    FPanels[3]->setText(FTitle);
    ShowZoom();
}

void TVRStandardPreview::ShowZoom() {
    FPanels[2]->setText(QStringLiteral("Zoom ") + QString::number(FVRPreview->Zoom()) +
                        QStringLiteral("%"));
}

void TVRStandardPreview::PagesAvailable() {
    Button(QStringLiteral("CancelButton"))->setEnabled(true);
    UpdateInfo();
    const int pages = PageCount();
    FThumbGrid->SetRowCount(pages);
    if (!pageSelected && pages > 0) {
        pageSelected = true;
        SelectPage(1);
    }
    if (pages > 0 && !Button(QStringLiteral("FirstPage"))->isEnabled()) {
        for (const char* name :
             {"FirstPage", "nextPage", "PreviousPage", "LastPage", "copybutton", "ZoomPickButton"})
            Button(QString::fromLatin1(name))->setEnabled(true);
    }
    if (RunFinished()) SetRunButtonsEnabled();
    if (FReport && FReport->PagesInPreview > 0 && pages >= FReport->PagesInPreview)
        FReport->UserCancel = true;
}

void TVRStandardPreview::SetRunButtonsEnabled() {
    for (const char* name :
         {"PrintSetup", "Print", "SaveReport", "LoadReport", "FindButton", "GotoPageButton"})
        Button(QString::fromLatin1(name))->setEnabled(true);
    Button(QStringLiteral("CancelButton"))->setEnabled(false);
}

void TVRStandardPreview::ProgressUpdate(int percent) {
    if (percent < LastProgress + 5) return;
    LastProgress = percent;
    FPanels[0]->setText(QString::number(percent) + QStringLiteral("%"));
}

// ---- Navigation --------------------------------------------------------------------

void TVRStandardPreview::SelectPage(int pageNumber) {
    try {
        FVRPreview->SetPageNumber(pageNumber);
        PageTurned(FVRPreview->PageNumber());
    } catch (...) {
        // A page that cannot be shown leaves the window as it was.
    }
}

void TVRStandardPreview::PageTurned(int pageNumber) {
    UpdateInfo();
    FThumbGrid->SelectRow(pageNumber - 1);
}

void TVRStandardPreview::FirstPageClick() {
    SelectPage(1);
}
void TVRStandardPreview::PreviousPageClick() {
    SelectPage(PageNumber() - 1);
}
void TVRStandardPreview::NextPageClick() {
    SelectPage(PageNumber() + 1);
}
void TVRStandardPreview::LastPageClick() {
    // While a run goes on, its last page is still being drawn.
    SelectPage(RunFinished() ? PageCount() : PageCount() - 1);
}

void TVRStandardPreview::GotoPageClick() {
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("GotoPageBox"));
    box.setWindowTitle(QStringLiteral("Select a page from 1 to %1").arg(PageCount()));
    box.setLabelText(QStringLiteral("Enter page number"));
    box.setTextValue(QString::number(PageNumber()));
    if (box.exec() != QDialog::Accepted) return;
    GotoPageText(box.textValue());
}

void TVRStandardPreview::GotoPageText(const QString& text) {
    bool isNumber = false;
    const int page = text.trimmed().toInt(&isNumber);
    SelectPage(isNumber && page >= 1 && page <= PageCount() ? page : 1);
}

// ---- Zoom --------------------------------------------------------------------------

void TVRStandardPreview::ZoomFitClick() {
    FVRPreview->ZoomToFit();
    Button(QStringLiteral("ZoomFit"))->setChecked(true);
    ShowZoom();
}

void TVRStandardPreview::ZoomToWidthClick() {
    FVRPreview->ZoomToWidth();
    Button(QStringLiteral("ZoomToWidth"))->setChecked(true);
    ShowZoom();
}

void TVRStandardPreview::Zoom100Click() {
    FVRPreview->SetZoom(100);
    Button(QStringLiteral("Zoom100"))->setChecked(true);
    ShowZoom();
}

void TVRStandardPreview::ZoomMenuClick(const QString& itemName) {
    bool isNumber = false;
    const int percent = itemName.mid(1).toInt(&isNumber);
    if (!isNumber) return;
    FVRPreview->SetZoom(percent);
    ShowZoom();
}

void TVRStandardPreview::ZoomIn() {
    for (const int percent : zoomMenuSteps)
        if (percent > FVRPreview->Zoom()) {
            FVRPreview->SetZoom(percent);
            break;
        }
    ShowZoom();
}

void TVRStandardPreview::ZoomOut() {
    for (auto step = std::rbegin(zoomMenuSteps); step != std::rend(zoomMenuSteps); ++step)
        if (*step < FVRPreview->Zoom()) {
            FVRPreview->SetZoom(*step);
            break;
        }
    ShowZoom();
}

// ---- Search ------------------------------------------------------------------------

void TVRStandardPreview::FindButtonClick() {
    if (!FVRPrinter || FVRPrinter->Status() == mpBusy || FSearching) return;
    TSearchDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    SearchPages(dialog.SearchText(), dialog.MatchCase());
    FocusSearchResults();
}

void TVRStandardPreview::SearchPages(const QString& text, bool matchCase) {
    // One search at a time, and Find is unavailable meanwhile. A second search could
    // only wait for the first from inside it (the first dispatches window messages as
    // it goes), which would never end.
    if (FSearching) return;
    FSearching = true;
    QToolButton* find = Button(QStringLiteral("FindButton"));
    const bool findWasEnabled = find->isEnabled();
    find->setEnabled(false);
    const auto done = qScopeGuard([this, find, findWasEnabled] {
        FSearching = false;
        find->setEnabled(findWasEnabled);
    });

    FSearchTextLabel->setText(text);
    FSearchResultBox->clear();
    FSearchResultBox->setEnabled(true);
    QList<int> pages;
    if (FVRPrinter) {
        // Reading every page's texts takes a while on a long report.
        const HourGlass hourGlass;
        int searched = 0;
        pages = PageSearch::FindPages(*FVRPrinter, text, matchCase, [&] {
            if (++searched % 64 == 0) QCoreApplication::processEvents();
            return !FVRPrinter.isNull() && !FClosed;
        });
    }
    for (const int page : pages) {
        auto* item = new QListWidgetItem(QStringLiteral("Page") + QStringLiteral(" ") +
                                         QString::number(page));
        item->setData(Qt::UserRole, page);
        FSearchResultBox->addItem(item);
    }
    if (pages.isEmpty()) {
        FSearchResultBox->addItem(QStringLiteral("No matching text"));
        FSearchResultBox->setEnabled(false);
    }
    FVRPreview->PreviewImage()->SetHighlight(pages.isEmpty() ? QString() : text, matchCase);
    FTabs->setCurrentWidget(FTabSearchResult);
}

void TVRStandardPreview::SearchResultClicked(QListWidgetItem* item) {
    const int page = item ? item->data(Qt::UserRole).toInt() : 0;
    SelectPage(page >= 1 && page <= PageCount() ? page : 1);
    FVRPreview->ShowImageRect(FVRPreview->PreviewImage()->FirstMatch());
}

// ---- Copy, print and setup ---------------------------------------------------------

void TVRStandardPreview::CopyButtonClick() {
    if (HandledByReport(speCopy, QStringLiteral("Copy"))) return;
    const TVRMetafile* page = FVRPreview->PreviewImage()->Metafile();
    if (!page) return;
    auto* data = new QMimeData;
    data->setImageData(RenderPage(*page, ClipboardPixelSize(*page), 1.0));
    data->setData(QStringLiteral("image/emf"), page->Bytes());
    data->setData(QStringLiteral("image/x-emf"), page->Bytes());
    QApplication::clipboard()->setMimeData(data);
}

void TVRStandardPreview::PrintClick() {
    if (!FVRPrinter || HandledByReport(spePrint, QStringLiteral("Print"))) return;
    const auto restore = WhileAJobRuns();

    const bool metafilePrinting =
        FMetafilePrinting || (FReport && FReport->PrinterSettings().PrintMetaFile);
    if (!metafilePrinting && FReport && FVRPrinter->Master() == FReport) {
        QPointer<TVRPrinter> shown = FVRPrinter;
        FReport->Print();
        // Printing ran on a page printer of its own; the view keeps hearing from ours.
        if (shown) shown->SetClient(FVRPreview);
        if (FReport->PrinterNotStarted())
            ShowMessage(
                QStringLiteral("The printer could not start the document - nothing "
                               "was printed."));
    } else {
        // Says why, when there is nothing to print or nothing to print on.
        FVRPrinter->Print();
    }
}

// While a print or an export from this window runs, its progress window's Cancel, or
// Escape and the close box (see closeEvent), stop it: Close and the commands that would
// start another job, load other pages or change the printer are unavailable, and come
// back afterwards.
QScopeGuard<std::function<void()>> TVRStandardPreview::WhileAJobRuns() {
    FJobRunning = true;
    QList<QToolButton*> disabled;
    for (const char* name : {"ExitButton", "Print", "PrintSetup", "SaveReport", "LoadReport"}) {
        QToolButton* button = Button(QString::fromLatin1(name));
        if (!button->isEnabled()) continue;
        button->setEnabled(false);
        disabled << button;
    }
    return QScopeGuard<std::function<void()>>([this, disabled] {
        FJobRunning = false;
        for (QToolButton* button : disabled) button->setEnabled(true);
    });
}

void TVRStandardPreview::PrintSetupClick() {
    if (!FVRPrinter || HandledByReport(spePrintSetup, QStringLiteral("PrintSetup"))) return;
    if (FVRPrinter->HasPrintSetupHandler()) {
        FVRPrinter->PrintSetup();
        return;
    }
    const bool accepted =
        RunPrinterSetup(this, FReport, *FVRPrinter, RunFinished() ? PageCount() : 0);
    if (accepted && FReport && FReport->PrintAfterSetup) PrintClick();
}

// ---- Save and load -----------------------------------------------------------------

QString TVRStandardPreview::DefaultSaveExtension() const {
    return SaveTypeExtension(FReport ? FReport->PreviewDefaultSaveType : stPDF);
}

// A save dialog type listing the files of one extension, in upper and lower case:
// the dialog compares names case-sensitively, and "listagem.pdf" is as much a PDF.
static QString SaveType(const QString& description, QString extension) {
    if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
    QString patterns = QStringLiteral("*.") + extension.toUpper();
    if (extension.toLower() != extension.toUpper())
        patterns += QStringLiteral(" *.") + extension.toLower();
    return description + QStringLiteral(" (") + patterns + QStringLiteral(")");
}

QStringList TVRStandardPreview::SaveDialogTypes() const {
    const QString extension = DefaultSaveExtension();
    QStringList types{SaveType(extension, extension),
                      SaveType(VRReportFileDescription, VRReportFileExtension)};
    for (const TVRExportFilterLibraryEntry& entry : VRExportFilterLibrary().Filters())
        types << SaveType(entry.FName, entry.FExtension);
    return types;
}

void TVRStandardPreview::SaveReportClick() {
    if (HandledByReport(speSave, QStringLiteral("Save"))) return;
    QFileDialog dialog(this, QStringLiteral("Save report"));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList types = SaveDialogTypes();
    dialog.setNameFilters(types);
    dialog.selectFile(QStringLiteral("*") + DefaultSaveExtension());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveTo(dialog.selectedFiles().first(), int(types.indexOf(dialog.selectedNameFilter())));
}

void TVRStandardPreview::SaveTo(const QString& chosenName, int typeIndex) {
    if (!FVRPrinter) return;
    QString fileName = chosenName;
    const QString defaultExtension = DefaultSaveExtension();
    QString extension = QFileInfo(fileName).suffix().toUpper();
    const bool fromType = extension.isEmpty();
    if (fromType) {
        const QList<TVRExportFilterLibraryEntry>& filters = VRExportFilterLibrary().Filters();
        if (typeIndex <= 0)
            extension = defaultExtension;
        else if (typeIndex == 1)
            extension = VRReportFileExtension;
        else if (typeIndex - 2 < filters.size())
            extension = filters[typeIndex - 2].FExtension;
        else
            extension = defaultExtension;
    }
    if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
    extension = extension.left(4).trimmed();
    if (fromType) fileName += QStringLiteral(".") + extension;

    // The checks concern the file that will be written, with the extension added.
    if (QFileInfo::exists(fileName) && !CanTakeOver(fileName)) {
        ShowMessage(QStringLiteral("The file is read-only or in use - save abandoned."));
        return;
    }
    // The save dialog asked about the name as typed; an extension added since names
    // another file, which is replaced only when the user says so.
    if (fromType && QFileInfo::exists(fileName) &&
        !AskQuestion(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                         .arg(QFileInfo(fileName).fileName()),
                     QStringLiteral("Save report"), TMsgButton::No))
        return;

    if (extension.compare(VRReportFileExtension, Qt::CaseInsensitive) == 0) {
        if (!RunFinished()) return;
        const HourGlass hourGlass;
        FVRPrinter->Save(fileName);
        return;
    }
    if (FVRPrinter->ReportLoaded()) {
        SaveLoadedPages(fileName, extension);
        return;
    }
    const TVRExportFilterLibraryEntry* entry =
        VRExportFilterLibrary().GetFilterByExtension(extension);
    if (!entry) return;
    std::unique_ptr<TVRExportFilter> filter = entry->FExportFilterClass.Create(fileName);
    if (!filter) return;
    const auto restore = WhileAJobRuns();
    {
        // Its progress window's Cancel stays at hand: the busy cursor, not the wait cursor.
        const HourGlass busy(true, Qt::BusyCursor);
        FVRPrinter->ExportToFilter(*filter);
    }
    // The export runs the report again; stopped on the way, it saved nothing.
    if (FReport && !FReport->Completed())
        ShowMessage(QStringLiteral("The export was cancelled - %1 was not saved.")
                        .arg(QFileInfo(fileName).fileName()));
}

// Loaded pages belong to no report that could run again into an export filter: they
// are saved as a PDF the way they are shown (as vialar-tool convert does), and the
// other export formats are refused.
void TVRStandardPreview::SaveLoadedPages(const QString& fileName, const QString& extension) {
    if (extension.compare(QLatin1String("PDF"), Qt::CaseInsensitive) != 0) {
        ShowMessage(
            QStringLiteral("Pages loaded from a file can be saved only as a report file "
                           "(VRP) or as a PDF document - nothing was saved."));
        return;
    }
    const HourGlass hourGlass;
    // The target takes the document's name only once it is complete.
    DurableFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(
            QStringLiteral("Cannot write the file %1: %2").arg(fileName, file.errorString()));
    TVRStoredPagesOutcome drawn;
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Vialar"));
        writer.setTitle(QFileInfo(FTitle).completeBaseName());
        drawn = DrawStoredPages(*FVRPrinter, writer);
    }
    if (drawn.DamagedPage > 0) {
        file.discard();
        throw Exception(QStringLiteral("Page %1 of the loaded file is damaged - nothing was saved.")
                            .arg(drawn.DamagedPage));
    }
    if (!drawn.WriterStarted || !file.commit())
        throw Exception(
            QStringLiteral("Cannot write the file %1: %2").arg(fileName, file.errorString()));
}

void TVRStandardPreview::LoadReportClick() {
    if (HandledByReport(speLoad, QStringLiteral("Load"))) return;
    QFileDialog dialog(this, QStringLiteral("Load report"));
    dialog.setObjectName(QStringLiteral("LoadDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(VRReportFileDescription + QStringLiteral(" (*.") + VRReportFileExtension +
                         QStringLiteral(" *.") + VRReportFileExtension.toLower() +
                         QStringLiteral(")"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    LoadFrom(dialog.selectedFiles().first());
}

void TVRStandardPreview::LoadFrom(const QString& fileName) {
    if (!FVRPrinter) return;
    if (!QFileInfo(fileName).isFile()) {
        ShowMessage(QStringLiteral("File does not exist"));
        return;
    }
    // Reading a long report file and laying out its thumbnails takes a while; the wait
    // cursor goes before any message about the file shows.
    std::optional<HourGlass> hourGlass(std::in_place);
    const TVRLoadResult result = FVRPrinter->Load(fileName);
    FTitle = QFileInfo(fileName).fileName();
    // The loaded pages' paper and orientation stay with the pages (the page printer's
    // settings, which printing them uses): the report behind the window is another
    // document, which must not change its paper.
    FReportOrientation = FVRPrinter->PrinterSettings().Orientation;
    FMetafilePrinting = true;
    pageSelected = false;
    FThumbGrid->Recompute();
    FThumbGrid->SetRowCount(0);
    FVRPreview->SetVRPrinter(FVRPrinter);
    if (FVRPreview->ZoomState() == vrZoomToFit)
        ZoomFitClick();
    else if (FVRPreview->ZoomState() == vrZoomToWidth)
        ZoomToWidthClick();
    else
        FVRPreview->SetZoom(FVRPreview->Zoom());
    PagesAvailable();
    SelectPage(1);
    Button(QStringLiteral("Print"))->setEnabled(true);
    hourGlass.reset();
    // The pages before a damaged part are shown; the user learns that the rest is lost.
    if (!result.IsSound()) ShowMessage(result.Damage);
}

void TVRStandardPreview::CancelButtonClick() {
    if (HandledByReport(speCancel, QStringLiteral("Cancel"))) return;
    if (FReport)
        FReport->CancelByUser();
    else if (FVRPrinter)
        FVRPrinter->Cancel();
}

bool TVRStandardPreview::HandledByReport(TVRStandPrevEventKind kind, const QString& name) {
    if (!FReport || !FReport->OnStandPrevEvent) return false;
    bool handled = false;
    FReport->OnStandPrevEvent(*this, kind, handled, name);
    return handled;
}

// ---- Closing and keys --------------------------------------------------------------

bool TVRStandardPreview::CanClose() const {
    return !FSearching && !(FVRPrinter && FVRPrinter->Status() == mpBusy) &&
           Button(QStringLiteral("ExitButton"))->isEnabled();
}

void TVRStandardPreview::reject() {
    close();
}

void TVRStandardPreview::closeEvent(QCloseEvent* event) {
    if (FClosed) {
        event->accept();
        return;
    }
    // Closing during a print or an export stops the job, as its Cancel does; the window
    // stays, to say how the job ended.
    if (FJobRunning) {
        if (FReport)
            FReport->CancelByUser();
        else if (FVRPrinter)
            FVRPrinter->Cancel();
        event->ignore();
        return;
    }
    // A report that handles the closing keeps the window open.
    if (!CanClose() || HandledByReport(speClose, QString())) {
        event->ignore();
        return;
    }
    FClosed = true;
    QPointer<TVRPrinter> printer = FVRPrinter;
    FVRPrinter = nullptr;
    FVRPreview->SetVRPrinter(nullptr);
    FThumbGrid->SetVRPrinter(nullptr);
    // The report may free the printer in answer.
    if (printer) printer->ClosePreview();
    QCoreApplication::processEvents();
    event->accept();
    QDialog::done(QDialog::Rejected);
}

bool TVRStandardPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) return false;
    try {
        return HandleKey(static_cast<QKeyEvent*>(event));
    } catch (...) {
        // A key that fails leaves the window usable.
        return true;
    }
}

bool TVRStandardPreview::HandleKey(QKeyEvent* key) {
    if (key->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (FThumbGrid->hasFocus()) return false;
    // The result list moves with its own arrow and page keys.
    if (FSearchResultBox->hasFocus()) return false;
    const bool control = key->modifiers() & Qt::ControlModifier;
    switch (key->key()) {
        case Qt::Key_PageUp:
            control ? FirstPageClick() : PreviousPageClick();
            return true;
        case Qt::Key_PageDown:
            control ? LastPageClick() : NextPageClick();
            return true;
        case Qt::Key_End:
            LastPageClick();
            return true;
        case Qt::Key_Home:
            FirstPageClick();
            return true;
        case Qt::Key_Up:
            FVRPreview->ScrollUp();
            return true;
        case Qt::Key_Down:
            FVRPreview->ScrollDown();
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            if (!control) return false;
            ZoomIn();
            return true;
        case Qt::Key_Minus:
            if (!control) return false;
            ZoomOut();
            return true;
        default:
            return false;
    }
}

void InstallPreviewWindow() {
    TVRPrinter::SetStandardPreview(
        [](TVRPrinter& printer, bool modal) { TVRStandardPreview::ShowPreview(printer, modal); });
}
