// The report component: its definition (bands, page, printer settings), the lookups
// the run relies on, and the entry points that start a run (Preview, Print, Prepare,
// ExportToFilter) with the page printer and the print target each of them gives it.
// The run itself, its pagination and band printing are TVRReportRun's.
#include "report_engine/model/TVRReport.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include "core/Exception.h"
#include "report_engine/model/TVRCanvasTarget.h"
#include "report_engine/model/TVRDataSet.h"
#include "report_engine/model/TVRFilterTarget.h"
#include "report_engine/model/TVRPrintable.h"
#include "report_engine/model/TVRReportRun.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/printer/TVRProgressDisplay.h"

// ---- Bands of a report -------------------------------------------------------------

bool TVRReportBands::Has(TVRBandType type) const {
    return FReport.BandOfType(type) != nullptr;
}

void TVRReportBands::Set(TVRBandType type, bool has) {
    TVRCustomBand* band = FReport.BandOfType(type);
    if (has && !band) {
        auto* created = new TVRBand(&FReport, type);
        created->SetName(BandComponentName(type) + QLatin1Char('1'));
        created->Size().SetNativeWidth(FReport.Page().NativeWidth() -
                                       FReport.Page().NativeLeftMargin() -
                                       FReport.Page().NativeRightMargin());
    } else if (!has && band) {
        delete band;
    }
}

// ---- The report --------------------------------------------------------------------

TCustomVRReport::TCustomVRReport(QObject* parent) : QObject(parent) {}

TCustomVRReport::~TCustomVRReport() {
    // Bands and controls are children; they go before the page printer they may name.
    qDeleteAll(findChildren<QObject*>(Qt::FindDirectChildrenOnly));
}

QList<TVRCustomBand*> TCustomVRReport::BandList() const {
    QList<TVRCustomBand*> bands;
    for (QObject* child : children())
        if (auto* band = qobject_cast<TVRCustomBand*>(child)) bands.append(band);
    return bands;
}

TVRCustomBand* TCustomVRReport::BandOfType(TVRBandType type) const {
    for (QObject* child : children()) {
        auto* band = qobject_cast<TVRCustomBand*>(child);
        if (band && band->BandType() == type) return band;
    }
    return nullptr;
}

QList<TVRPrintable*> TCustomVRReport::Printables() const {
    QList<TVRPrintable*> printables;
    for (QObject* child : children())
        if (auto* printable = qobject_cast<TVRPrintable*>(child)) printables.append(printable);
    return printables;
}

void TCustomVRReport::ForEachPrintable(const std::function<void(TVRPrintable&)>& action) const {
    for (TVRPrintable* printable : Printables()) action(*printable);
    for (TVRCustomBand* band : BandList())
        for (TVRPrintable* printable : band->Printables()) action(*printable);
}

int TCustomVRReport::RecordCount() const {
    // During a run the count taken at its start answers: counting moves the record
    // set, which would restart the detail iteration.
    if (FAvailable) return CountRecords();
    return FRun ? FRun->RecordCount() : 1;
}

TVRPrintTarget* TCustomVRReport::PrintTarget() const {
    return FRun ? FRun->Target() : nullptr;
}
int TCustomVRReport::PageCount() const {
    return FRun ? FRun->PageCount() : 0;
}
int TCustomVRReport::CurrentColumn() const {
    return FRun ? FRun->CurrentColumn() : 1;
}
int TCustomVRReport::CurrentX() const {
    return FRun ? FRun->CurrentX() : 0;
}
int TCustomVRReport::CurrentY() const {
    return FRun ? FRun->CurrentY() : -1;
}
int TCustomVRReport::DetailNumber() const {
    return FRun ? FRun->DetailNumber() : 0;
}
TVRCustomBand* TCustomVRReport::PrintingBand() const {
    return FRun ? FRun->PrintingBand() : nullptr;
}
int TCustomVRReport::AvailableSpace() const {
    return FRun ? FRun->AvailableSpace() : 0;
}
bool TCustomVRReport::PrintingEmptySet() const {
    return FRun && FRun->PrintingEmptySet();
}

int TCustomVRReport::CountRecords() const {
    if (!DataSet || !DataSet->Active()) return 1;
    try {
        DataSet->Last();
        const int count = DataSet->RecordCount();
        DataSet->First();
        return count;
    } catch (const std::exception&) {
        return 1;
    }
}

std::unique_ptr<TVRPrinter> TCustomVRReport::NewPrinter() {
    auto printer = std::make_unique<TVRPrinter>(this);
    printer->SetTitle(ReportTitle);
    CopySettingsToPrinter(*printer);
    return printer;
}

std::unique_ptr<TVRPrinter> TCustomVRReport::TakePrinter() {
    return std::move(FVRPrinter);
}

void TCustomVRReport::CopySettingsToPrinter(TVRPrinter& printer) {
    TVRPrinterSettings& settings = printer.PrinterSettings();
    settings = FPrinterSettings;
    settings.PaperSize = FPage.PaperSize();
    settings.Orientation = FPage.Orientation();
    if (FPage.PaperSize() == TVRPaperSize::Custom || FPage.PaperSize() == TVRPaperSize::Default) {
        // The settings keep the paper as it lies in portrait.
        const bool landscape = FPage.Orientation() == poLandscape;
        settings.PaperWidth = landscape ? FPage.NativeLength() : FPage.NativeWidth();
        settings.PaperLength = landscape ? FPage.NativeWidth() : FPage.NativeLength();
    }
    printer.SetTitle(ReportTitle);
    printer.SetCompression(Options.testFlag(TVROption::Compression));
    printer.SetFirstPage(FPrinterSettings.FirstPage);
    printer.SetLastPage(FPrinterSettings.LastPage);
}

bool TCustomVRReport::RunCancelled() const {
    return FCancelled || (FVRPrinter && FVRPrinter->Cancelled());
}

bool TCustomVRReport::KeepsRunPages() const {
    const TVRPrintTarget* target = PrintTarget();
    return !target || target->KeepsPages();
}

// ---- Runs --------------------------------------------------------------------------

void TCustomVRReport::RefuseWhileRunning() const {
    if (!FAvailable) throw Exception(QStringLiteral("The report is already being generated"));
}

void TCustomVRReport::PreviewModal() {
    RefuseWhileRunning();
    if (BeforePreview) BeforePreview(*this);
    FVRPrinter = NewPrinter();
    {
        // The pages are made before the window opens: a run that lasts shows its
        // progress and a Cancel.
        std::unique_ptr<TVRProgressDisplay> progress;
        if (ShowProgressWindow)
            progress = TVRProgressDisplay::OpenLater(
                *FVRPrinter, this, QStringLiteral("Report progress"), kProgressDelayMs);
        CreateReport();
    }
    if (!FVRPrinter) return;
    if (OnPreviewShowing) OnPreviewShowing(*this);
    if (RunCancelled()) {
        FVRPrinter.reset();
        return;
    }
    if (OnPreview)
        OnPreview(*this);
    else
        FVRPrinter->PreviewModal();
    if (AfterPreview) AfterPreview(*this);
}

void TCustomVRReport::Preview() {
    RefuseWhileRunning();
    if (BeforePreview) BeforePreview(*this);
    FVRPrinter = NewPrinter();
    if (OnPreview)
        OnPreview(*this);
    else
        FVRPrinter->Preview();
    CreateReport();
    // The preview window marks the printer as shown while it is open and frees it when
    // it closes (PreviewClosed).
    while (FVRPrinter && FVRPrinter->ShowingPreview())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (AfterPreview) AfterPreview(*this);
}

void TCustomVRReport::Prepare() {
    RefuseWhileRunning();
    FVRPrinter = NewPrinter();
    CreateReport();
}

void TCustomVRReport::Print() {
    RefuseWhileRunning();
    {
        // The page range serves this print only, also when it fails.
        const auto resetRange = qScopeGuard([this] {
            FPrinterSettings.FirstPage = 0;
            FPrinterSettings.LastPage = 0;
        });
        RunWithPrinter(vrdPrinter, QStringLiteral("Printing progress"));
    }
    // Nothing was printed after a veto or a cancel.
    if (FCompleted && AfterPrintEvent) AfterPrintEvent(*this);
}

void TCustomVRReport::ExportToFilter(TVRExportFilter& filter) {
    RefuseWhileRunning();
    Zoom = 100;
    bool cancel = false;
    if (OnExport) OnExport(*this, cancel);
    if (cancel) return;

    filter.SetOwner(this);
    RunWithPrinter(vrdMetafile, QStringLiteral("Export Progress"), &filter);
}

void TCustomVRReport::CreateReport() {
    RunInto(nullptr);
}

void TCustomVRReport::RunInto(TVRExportFilter* filter) {
    RefuseWhileRunning();
    // A page printer serves one run.
    if (!FVRPrinter || FVRPrinter->Status() != mpReady) FVRPrinter = NewPrinter();
    FPage.ClampMargins();

    FAvailable = false;
    // Whatever ends the run (a veto, a failure, a failure while ending the document),
    // the report takes the next one.
    const auto available = qScopeGuard([this] { FAvailable = true; });
    FCancelled = false;
    FPrinterNotStarted = false;
    FCompleted = false;
    UserCancel = false;

    bool printReport = true;
    if (BeforePrint) BeforePrint(*this, printReport);
    if (!printReport) return;

    std::unique_ptr<TVRPrintTarget> target;
    if (filter)
        target = std::make_unique<TVRFilterTarget>(*filter, *FVRPrinter);
    else
        target = std::make_unique<TVRCanvasTarget>(*FVRPrinter);
    FRun = std::make_unique<TVRReportRun>(*this, *FVRPrinter, *target);
    const auto detach = qScopeGuard([this] { FRun->Detach(); });
    FRun->Run();
    FCompleted = !RunCancelled();
}

void TCustomVRReport::RunWithPrinter(TVRPrinterDestination destination,
                                     const QString& progressCaption, TVRExportFilter* filter) {
    // The run gets a page printer of its own; the previous one (whose pages a preview
    // may be showing) comes back afterwards.
    std::unique_ptr<TVRPrinter> previous = std::move(FVRPrinter);
    FVRPrinter = NewPrinter();
    FVRPrinter->SetDestination(destination);
    try {
        std::unique_ptr<TVRProgressDisplay> progress;
        if (ShowProgressWindow)
            progress = TVRProgressDisplay::Open(*FVRPrinter, this, progressCaption);
        RunInto(filter);
    } catch (...) {
        FVRPrinter = std::move(previous);
        throw;
    }
    FVRPrinter = std::move(previous);
}

void TCustomVRReport::PreviewClosed() {
    if (!FAvailable) {
        FCancelled = true;
        if (FVRPrinter) FVRPrinter->Cancel();
        return;
    }
    // The printer is still on its way out of ClosePreview: it goes once that returns.
    if (FVRPrinter) FVRPrinter.release()->deleteLater();
}

void TCustomVRReport::CancelByUser() {
    UserCancel = true;
    if (FVRPrinter) FVRPrinter->Cancel();
}
