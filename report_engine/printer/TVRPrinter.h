#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "report_engine/base/Rounding.h"
#include "report_engine/base/TVRUnits.h"
#include "report_engine/printer/TVRPrinterSettings.h"
#include "report_engine/store/TVRPageList.h"

class QPainter;
class QPrinter;
class TVRCanvas;
class TVRMetafile;
class TVRStream;
class TVRExportFilter;
class TVRPrinterOwner;

enum TVRPrinterDestination { vrdMetafile, vrdPrinter };
enum TVRPrinterStatus { mpReady, mpBusy, mpFinished };

// A notification the page printer posts to its client (the preview's page view or a
// progress window): pages that became available, or the run's progress in percent.
// They are always posted to the client's event queue, never delivered directly, so a
// client sees them from its own event loop.
class TVRPrinterNotification : public QEvent {
public:
    static QEvent::Type PageAvailableType();
    static QEvent::Type ProgressType();

    TVRPrinterNotification(QEvent::Type type, int value) : QEvent(type), FValue(value) {}
    // The page count for a page-available notification, the percentage for progress.
    int Value() const { return FValue; }

private:
    int FValue;
};

// The page printer of one report run. Each page is drawn on Canvas() in device pixels
// (XPos/YPos/XSize/YSize convert the report's tenths of a millimetre) and goes either
// into the page store, as a recorded metafile page for the preview, the native report
// file and later printing, or straight onto a printer page.
class TVRPrinter : public QObject {
public:
    explicit TVRPrinter(TVRPrinterOwner* master = nullptr);
    ~TVRPrinter() override;

    TVRPrinterDestination Destination() const { return FDestination; }
    void SetDestination(TVRPrinterDestination destination) { FDestination = destination; }
    TVRPrinterStatus Status() const { return FStatus; }

    TVRPrinterOwner* Master() const { return FMaster; }
    void SetMaster(TVRPrinterOwner* master) { FMaster = master; }

    // The printer settings of this run (copied from the report by the run).
    TVRPrinterSettings& PrinterSettings() { return FPrinterSettings; }
    const TVRPrinterSettings& PrinterSettings() const { return FPrinterSettings; }

    QString Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }
    // Requested page range for direct printing; 0 = unlimited.
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int page) { FFirstPage = page; }
    int LastPage() const { return FLastPage; }
    void SetLastPage(int page) { FLastPage = page; }
    // Compressed page payloads in the page store (takes effect at BeginDoc).
    bool Compression() const { return FCompression; }
    void SetCompression(bool compression) { FCompression = compression; }

    // The run.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void AbortDoc();
    void Cancel() { FCancelled = true; }
    bool Cancelled() const { return FCancelled; }
    // The canvas of the open page; none outside a page.
    TVRCanvas* Canvas() const { return FCanvas; }

    // Native units (tenths of a millimetre) to device pixels, halves to even.
    int XPos(double value) const { return Round((value - FLeftWaste) * FXFactor); }
    int YPos(double value) const { return Round((value - FTopWaste) * FYFactor); }
    int XSize(double value) const { return Round(value * FXFactor); }
    int YSize(double value) const { return Round(value * FYFactor); }
    double XFactor() const { return FXFactor; }
    double YFactor() const { return FYFactor; }
    TVRDeviceUnits DeviceUnits() const { return {FXFactor, FYFactor, FLeftWaste, FTopWaste}; }
    int LeftWaste() const { return FLeftWaste; }
    int TopWaste() const { return FTopWaste; }

    // The paper as it lies, native units (landscape A4: 2970 x 2100).
    double PaperWidthValue() const;
    double PaperLengthValue() const;

    int PageCount() const { return FPageCount; }
    int PageNumber() const { return FPageNumber; }
    int AvailablePages() const { return FAvailablePages; }
    int Progress() const { return FProgress; }

    // Store and post a notification to the client.
    void SetProgress(int percent);
    void SetAvailablePages(int pages);
    QObject* Client() const { return FClient; }
    void SetClient(QObject* client) { FClient = client; }

    // A new metafile of page N (1-based), or none when N is out of range, no run has
    // started or the stored page is damaged.
    std::unique_ptr<TVRMetafile> GetPage(int pageNumber) const;

    // Writes the page store to a file (only when finished; false otherwise). The file
    // is replaced only once the new one is completely written; throws Exception when
    // it cannot be written.
    bool Save(const QString& fileName);
    // Replaces the pages with those of a native report file and finishes. Keeps the
    // sound pages of a damaged file and says where the damage starts; throws
    // Exception when the file cannot be read at all.
    TVRLoadResult Load(const QString& fileName);
    // Prints the stored pages. Throws Exception, printing nothing, when the run has
    // not finished, no page is stored or no printer is there.
    void Print();

    // The furthest the page store may grow (see TVRPageList::SetOffsetLimit).
    void SetPageStoreLimit(qint64 bytes) { FPageList->SetOffsetLimit(bytes); }

    // The stream holding the stored pages; none before the first run.
    const TVRStream* PageStream() const { return aStream.get(); }

    // The system printer object (created on first use); tests point it at a file.
    QPrinter* Printer();
    // A printer is installed, or the printer object writes to a file.
    bool PrinterOK();

    // The printer document has started (direct printing).
    bool Printing() const { return IsPrinting; }

    // The pages came from a native report file (Load) rather than from a run of the
    // master report. Printing then plays the stored pages, whereas a run's pages are
    // printed by running the report again straight to the printer (unless the
    // settings ask for metafile printing).
    bool ReportLoaded() const { return FReportLoaded; }
    bool ShowingPreview() const { return FShowingPreview; }
    void SetShowingPreview(bool showing) { FShowingPreview = showing; }

    // Preview: the report's own handler when it installed one, else the standard
    // preview registered by the preview window's module.
    using TPreviewHandler = std::function<void(TVRPrinter& printer, bool modal)>;
    void SetPreviewHandler(TPreviewHandler handler) { FOnPreviewEvent = std::move(handler); }
    static void SetStandardPreview(TPreviewHandler handler);
    void PreviewModal();
    void Preview();
    // The preview showing these pages closed.
    void ClosePreview();
    void SetAfterPreview(std::function<void()> handler) { FAfterPreviewEvent = std::move(handler); }
    void SetAfterPrint(std::function<void()> handler) { FAfterPrintEvent = std::move(handler); }

    // Hooks the preview's print-setup and export buttons use; cleared when a file
    // is loaded, since such pages belong to no report.
    void SetPrintSetupHandler(std::function<void()> handler) {
        FOnPrintSetupEvent = std::move(handler);
    }
    void SetExportHandler(std::function<void(TVRExportFilter&)> handler) {
        FOnExportToFilterEvent = std::move(handler);
    }
    bool HasPrintSetupHandler() const { return bool(FOnPrintSetupEvent); }
    void PrintSetup();
    // Forwarded to the master report.
    void ExportToFilter(TVRExportFilter& filter);

    // Screen pixels per inch: the page store's reference resolution.
    static constexpr double ScreenDPI = ::ScreenDPI;

private:
    void SetStatus(TVRPrinterStatus status);
    void CleanUp();
    void OpenMetafilePage();
    void CloseMetafilePage(bool keep);
    void FinishStore(bool keepOpenPage, bool headerWhenEmpty);
    void StartPrinterDocument();
    void OpenPrinterPage();
    void ClosePrinterCanvas();
    bool InRequestedRange(int page) const;
    void TakeScreenFactors();
    void TakePrinterFactors();
    void PostNotification(QEvent::Type type, int value);
    void PrintStoredPages(QPrinter& printer, QPainter& painter);

    std::unique_ptr<QPrinter> aPrinter;
    std::unique_ptr<TVRStream> aStream;
    std::function<void()> FAfterPrintEvent;
    std::function<void()> FAfterPreviewEvent;
    int FAvailablePages = 0;
    bool FCancelled = false;
    TVRCanvas* FCanvas = nullptr;
    TVRPrinterDestination FDestination = vrdMetafile;
    int FFirstPage = 0;
    int FLastPage = 0;
    int FLeftWaste = 0;
    QPointer<QObject> FClient;
    TVRPrinterOwner* FMaster = nullptr;
    std::unique_ptr<TVRMetafile> FMetafile;
    std::unique_ptr<TVRCanvas> FPageCanvas;
    std::unique_ptr<QPainter> FPrinterPainter;
    std::function<void(TVRExportFilter&)> FOnExportToFilterEvent;
    TPreviewHandler FOnPreviewEvent;
    std::function<void()> FOnPrintSetupEvent;
    int FPageCount = 0;
    int FPageNumber = 0;
    int FProgress = 0;
    QString FTitle;
    int FTopWaste = 0;
    bool FShowingPreview = false;
    TVRPrinterStatus FStatus = mpReady;
    double FXFactor = ScreenDPI / 254.0;
    double FYFactor = ScreenDPI / 254.0;
    std::unique_ptr<TVRPageList> FPageList;
    bool FReportLoaded = false;
    TVRPrinterSettings FPrinterSettings;
    bool FCompression = false;
    bool IsPrinting = false;
};
