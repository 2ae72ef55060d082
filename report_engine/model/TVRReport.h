#pragma once

#include <QFlags>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "core/Colors.h"
#include "report_engine/base/TVRUnits.h"
#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRFrame.h"
#include "report_engine/model/TVRPage.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/printer/TVRPrinterOwner.h"
#include "report_engine/printer/TVRPrinterSettings.h"

class TVRDataSet;
class TVRPrintable;
class TVRPrintTarget;
class TVRReportRun;

// How long making the preview's pages may last before their progress window shows.
inline constexpr int kProgressDelayMs = 500;

enum class TVROption { FirstPageHeader = 0x1, LastPageFooter = 0x2, Compression = 0x4 };
Q_DECLARE_FLAGS(TVROptions, TVROption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TVROptions)

enum TVRZoomState { vrZoomToFit, vrZoomToWidth, vrZoomOther, vrZoom100 };
enum TVRPreviewWindowState { pwsNormal, pwsMinimized, pwsMaximized };
// What the preview window is about to do when it calls the report's OnStandPrevEvent.
enum TVRStandPrevEventKind {
    speCreate = 0,
    speClose = 1,
    speCopy = 2,
    spePrint = 3,
    spePrintSetup = 4,
    speLoad = 5,
    speSave = 6,
    speCancel = 7
};

class TCustomVRReport;

// An export filter that places texts itself (the HTML filter) derives from this as well:
// it then receives every text line with its control's box (TextOutRec instead of
// TextOut) and a hidden marker after every printed band.
class TVRBandMarkerSink {
public:
    virtual ~TVRBandMarkerSink() = default;
    // `tag` is the band's marker element with "!xx!" left for its top; `top` is the
    // band rectangle's top in device pixels.
    virtual void acceptHTMLTag(const QString& tag, int top) = 0;
};

// Which bands a report has. The bands themselves are the report's child objects; this
// only answers for them and adds or removes one of a role.
class TVRReportBands {
public:
    explicit TVRReportBands(TCustomVRReport& report) : FReport(report) {}

    bool HasTitle() const { return Has(rbTitle); }
    bool HasPageHeader() const { return Has(rbPageHeader); }
    bool HasColumnHeader() const { return Has(rbColumnHeader); }
    bool HasDetail() const { return Has(rbDetail); }
    bool HasPageFooter() const { return Has(rbPageFooter); }
    bool HasSummary() const { return Has(rbSummary); }
    void SetHasTitle(bool has) { Set(rbTitle, has); }
    void SetHasPageHeader(bool has) { Set(rbPageHeader, has); }
    void SetHasColumnHeader(bool has) { Set(rbColumnHeader, has); }
    void SetHasDetail(bool has) { Set(rbDetail, has); }
    void SetHasPageFooter(bool has) { Set(rbPageFooter, has); }
    void SetHasSummary(bool has) { Set(rbSummary, has); }

private:
    bool Has(TVRBandType type) const;
    void Set(TVRBandType type, bool has);

    TCustomVRReport& FReport;
};

// A report: the page, the bands (child objects, in child order) with their controls,
// and the entry points that run it over a record set (TVRReportRun) into the page
// store (preview), straight onto a printer, or into an export filter.
class TCustomVRReport : public QObject, public TVRPrinterOwner {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TCustomVRReport& sender)>;
    using TVetoEvent = std::function<void(TCustomVRReport& sender, bool& flag)>;
    // `sender` is the preview window, `name` the command ("Copy", "Print", ...; empty at
    // creation and closing); setting `handled` skips the window's own action.
    using TStandPrevEvent = std::function<void(QObject& sender, TVRStandPrevEventKind kind,
                                               bool& handled, const QString& name)>;

    explicit TCustomVRReport(QObject* parent = nullptr);
    ~TCustomVRReport() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    // Definition.
    TVRDataSet* DataSet = nullptr;
    TVRReportBands& Bands() { return FBands; }
    TVRFont Font;
    TVROptions Options = TVROptions(TVROption::FirstPageHeader) | TVROption::LastPageFooter;
    TVRPage& Page() { return FPage; }
    const TVRPage& Page() const { return FPage; }
    TVRPrinterSettings& PrinterSettings() override { return FPrinterSettings; }
    bool PrintIfEmpty = false;
    QString ReportTitle;
    bool ShowProgressWindow = true;
    TVRUnit Units() const { return FUnits; }
    void SetUnits(TVRUnit units) { FUnits = units; }
    int Zoom = 100;
    TColor BackgroundColor = clWhite;
    QString BackImageControl;
    int PagesInPreview = 0;
    TVRFrame& Frame() { return FFrame; }

    // Preview settings, read by the preview window.
    int PrevFormStyle = 0;  // 0 ordinary window, 1 stay on top
    TVRPreviewWindowState PreviewInitialState = pwsNormal;
    int PreviewWidth = 0;
    int PreviewHeight = 0;
    int PreviewLeft = 0;
    int PreviewTop = 0;
    bool PrevShowThumbs = true;
    bool PrevShowSearch = true;
    TVRZoomState PrevInitialZoom = vrZoom100;
    TPrevSaveType PreviewDefaultSaveType = stPDF;
    // An accepted printer setup in the preview prints at once.
    bool PrintAfterSetup = false;

    // Events. Veto flags come by reference: a handler clears PrintReport to skip the
    // run, sets Cancel to stop an export, clears MoreData to end OnNeedData's rows.
    TNotifyEvent BeforePreview;
    TVetoEvent BeforePrint;
    TNotifyEvent AfterPrintEvent;
    TNotifyEvent AfterPreview;
    TNotifyEvent OnStartPage;
    TNotifyEvent OnEndPage;
    TVetoEvent OnNeedData;
    TNotifyEvent OnPreview;
    TVetoEvent OnExport;
    TNotifyEvent OnPreviewShowing;
    // Called by the preview window before each of its own actions.
    TStandPrevEvent OnStandPrevEvent;

    // The bands in child order, and the first band of a role.
    QList<TVRCustomBand*> BandList() const;
    TVRCustomBand* BandOfType(TVRBandType type) const;
    // Controls placed on the report itself rather than on a band.
    QList<TVRPrintable*> Printables() const;

    // Running the report. A run dispatches window messages before every record, so a
    // command may ask for another run while one is under way: each entry point then
    // throws Exception and the run under way goes on.
    void PreviewModal();
    void Preview();
    void Print();
    void Prepare();
    void ExportToFilter(TVRExportFilter& filter) override;
    void CreateReport();

    // Run state, for bands, controls and handlers: that of the run under way, or
    // after a run what it left.
    TVRPrinter* VRPrinter() const { return FVRPrinter.get(); }
    // Takes the page printer of the last run (a preview keeps it while it shows it).
    std::unique_ptr<TVRPrinter> TakePrinter();
    bool Available() const { return FAvailable; }
    // Where the run under way draws; none outside a run.
    TVRPrintTarget* PrintTarget() const;
    int PageCount() const;
    int CurrentColumn() const;
    int CurrentX() const;
    int CurrentY() const;
    int DetailNumber() const;
    // The band whose print is under way (its BeforePrint, background, controls, frame
    // and marker), or none between bands and outside a run. A band that prints inside
    // another's print (a page footer and header at a page break, a child band) stands
    // in for it until it is done; then the outer band is current again.
    TVRCustomBand* PrintingBand() const;
    // Rows of the report's record set (1 when it is missing, closed or fails).
    int RecordCount() const;
    bool Cancelled() const { return FCancelled; }
    // The last run went to its end: not vetoed, cancelled or failed.
    bool Completed() const { return FCompleted; }
    // The last run printed straight to the printer and was cancelled because the
    // printer document could not start.
    bool PrinterNotStarted() const { return FPrinterNotStarted; }
    // The run was cancelled, by the report or through its page printer.
    bool RunCancelled() const;
    // True while the empty-set bands print (their data texts print empty).
    bool PrintingEmptySet() const;
    // Space left for bands on the current page of the run under way, native; 0
    // outside a page.
    int AvailableSpace() const;
    bool UserCancel = false;

    // TVRPrinterOwner.
    bool ShowProgress() const override { return ShowProgressWindow; }
    bool KeepsRunPages() const override;
    void PrintAgain() override { Print(); }
    void PreviewClosed() override;
    void CancelByUser() override;
    void AfterPrint() override {
        if (AfterPrintEvent) AfterPrintEvent(*this);
    }

private:
    friend class TVRReportBands;
    friend class TVRReportRun;

    void RefuseWhileRunning() const;
    int CountRecords() const;
    // Runs the report into the filter, or onto its page printer's canvas without one.
    void RunInto(TVRExportFilter* filter);
    void RunWithPrinter(TVRPrinterDestination destination, const QString& progressCaption,
                        TVRExportFilter* filter = nullptr);
    void CopySettingsToPrinter(TVRPrinter& printer);
    void ForEachPrintable(const std::function<void(TVRPrintable&)>& action) const;
    std::unique_ptr<TVRPrinter> NewPrinter();

    TVRReportBands FBands{*this};
    TVRPrinterSettings FPrinterSettings;
    TVRPage FPage{this, &FPrinterSettings};
    TVRFrame FFrame;
    TVRUnit FUnits = TVRUnit::MM;

    std::unique_ptr<TVRPrinter> FVRPrinter;
    // The run under way, or the last one (for what it left); none before the first.
    std::unique_ptr<TVRReportRun> FRun;
    bool FAvailable = true;
    bool FCancelled = false;
    bool FPrinterNotStarted = false;
    // The last run went to its end: not vetoed, cancelled or failed.
    bool FCompleted = false;
};

class TVRReport : public TCustomVRReport {
    Q_OBJECT

public:
    explicit TVRReport(QObject* parent = nullptr) : TCustomVRReport(parent) {}
};
