#pragma once

#include <QDialog>
#include <QPointer>
#include <QScopeGuard>
#include <QString>
#include <functional>

#include "report_engine/model/TVRReport.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QWidget;
class TVRPreview;
class TVRPrinter;
class TVRThumbGrid;

// The report preview window: a toolbar (zoom, navigation, search, copy, printing,
// loading and saving, cancel, close), the thumbnail and search-result tabs beside the
// scrolling page view, and a status bar with the progress, the page, the zoom and the
// title. It shows the pages of one page printer; a report run owns that printer, and
// closing the window tells the printer, which lets the report free it.
//
// While the printer is busy (a report still running into a modeless preview) the
// window cannot close, and printing, setup, saving, loading, searching and going to a
// page stay disabled while Cancel is enabled; once the run has finished it is the
// other way round.
class TVRStandardPreview : public QDialog {
public:
    explicit TVRStandardPreview(TVRPrinter& printer, QWidget* parent = nullptr);
    ~TVRStandardPreview() override;

    // Opens a window on the printer: modally (returning once it is closed) or not.
    static void ShowPreview(TVRPrinter& printer, bool modal);

    TVRPrinter* VRPrinter() const { return FVRPrinter; }
    TCustomVRReport* Report() const { return FReport; }
    TVRPreview* VRPreview() const { return FVRPreview; }
    TVRThumbGrid* ThumbGrid() const { return FThumbGrid; }
    QListWidget* SearchResultBox() const { return FSearchResultBox; }
    QLabel* SearchTextLabel() const { return FSearchTextLabel; }
    QTabWidget* Tabs() const { return FTabs; }
    QWidget* ThumbTab() const { return FTabThumbs; }
    QWidget* SearchTab() const { return FTabSearchResult; }
    QMenu* ZoomMenu() const { return FZoomMenu; }
    // A toolbar button by its name (ZoomFit, nextPage, ExitButton, ...).
    QToolButton* Button(const QString& name) const;
    // The text of status panel 0 (progress), 1 (page), 2 (zoom) or 3 (title).
    QString PanelText(int panel) const;

    int PageCount() const;
    int PageNumber() const;
    // Shows page N (ignored outside 1 ... the page count) and follows it in the status
    // bar and the thumbnails.
    void SelectPage(int pageNumber);

    // The toolbar's commands.
    void ZoomFitClick();
    void ZoomToWidthClick();
    void Zoom100Click();
    void ZoomMenuClick(const QString& itemName);  // N50 ... N200
    void ZoomIn();
    void ZoomOut();
    void FirstPageClick();
    void PreviousPageClick();
    void NextPageClick();
    void LastPageClick();
    void GotoPageClick();
    // The go-to box's answer: a number in 1 ... the page count, else page 1.
    void GotoPageText(const QString& text);
    void FindButtonClick();
    // Searches every page and lists the matching ones (the Search dialog's work).
    void SearchPages(const QString& text, bool matchCase);
    void CopyButtonClick();
    void PrintClick();
    void PrintSetupClick();
    void SaveReportClick();
    // Saves to `fileName` as the save dialog's type `typeIndex` would (0: the default
    // type, 1: the native file, 2 on: the filter library's entries in order).
    void SaveTo(const QString& fileName, int typeIndex);
    void LoadReportClick();
    void LoadFrom(const QString& fileName);
    void CancelButtonClick();

    // The save dialog's file types and the default extension (".PDF").
    QStringList SaveDialogTypes() const;
    QString DefaultSaveExtension() const;

    // The window may close now: the printer is not busy and Close is enabled.
    bool CanClose() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void TakeReportSettings();
    void PagesAvailable();
    void ProgressUpdate(int percent);
    void UpdateInfo();
    void ShowZoom();
    void PageTurned(int pageNumber);
    void SearchResultClicked(QListWidgetItem* item);
    bool HandleKey(QKeyEvent* key);
    bool RunFinished() const;
    // Calls the report's OnStandPrevEvent, when assigned; true when it handled the
    // action itself, so that the window skips its own.
    bool HandledByReport(TVRStandPrevEventKind kind, const QString& name);
    void SetRunButtonsEnabled();
    // Close, Print, PrintSetup, SaveReport and LoadReport unavailable until the guard
    // goes (those that were available).
    QScopeGuard<std::function<void()>> WhileAJobRuns();
    void SaveLoadedPages(const QString& fileName, const QString& extension);
    // The toolbar's keys and hints, names for assistive technology, the result list's
    // Enter key, the page view's focus frame (TVRPreviewKeys.cpp).
    void SetUpKeysAndNames();
    // After a search: the keys go to the first result.
    void FocusSearchResults();

    QPointer<TVRPrinter> FVRPrinter;
    QPointer<TCustomVRReport> FReport;
    TPrinterOrientation FReportOrientation = poPortrait;
    bool ShowThumbs = true;
    bool ShowSearch = true;
    TVRZoomState InitZoom = vrZoom100;
    bool pageSelected = false;
    int LastProgress = 0;
    QString FTitle;
    bool FMetafilePrinting = false;
    bool FSearching = false;
    bool FClosed = false;
    // A print or an export started from this window is under way.
    bool FJobRunning = false;

    QWidget* FToolBar = nullptr;
    QTabWidget* FTabs = nullptr;
    QWidget* FTabThumbs = nullptr;
    QWidget* FTabSearchResult = nullptr;
    TVRThumbGrid* FThumbGrid = nullptr;
    QLabel* FSearchTextLabel = nullptr;
    QListWidget* FSearchResultBox = nullptr;
    QSplitter* FSplitter = nullptr;
    TVRPreview* FVRPreview = nullptr;
    QStatusBar* FStatusBar = nullptr;
    QLabel* FPanels[4] = {};
    QMenu* FZoomMenu = nullptr;
};

// Makes every later PreviewModal / Preview of a report open a TVRStandardPreview (the
// program calls it once at start; without it a preview run only fills the page store).
void InstallPreviewWindow();
