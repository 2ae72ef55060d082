#include "report_engine/printer/TVRPrinter.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QTimer>
#include <sys/stat.h>

#include "core/Exception.h"
#include "core/StateChanges.h"
#include "report_engine/canvas/TVRMetafileCanvas.h"
#include "report_engine/canvas/TVRPainterCanvas.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinterOwner.h"
#include "report_engine/printer/TVRProgressDisplay.h"
#include "report_engine/store/TVRStream.h"

namespace {

TVRPrinter::TPreviewHandler& StandardPreview() {
    static TVRPrinter::TPreviewHandler handler;
    return handler;
}

// Loaded files are held in memory with a little room to spare.
constexpr qint64 loadMemoryReserve = 1000;

// The changes of status a printer makes, and what makes each. A printer runs once: no
// change leads back to ready. Every change goes through SetStatus, which in checked
// builds refuses any other.
constexpr StateChange<TVRPrinterStatus> kStatusChanges[] = {
    {mpReady, mpBusy, "BeginDoc"},
    {mpBusy, mpFinished, "EndDoc, AbortDoc, or a run whose last page the store refused"},
    {mpReady, mpFinished, "Load, or AbortDoc before any run"},
    {mpFinished, mpFinished, "Load, or AbortDoc after the run ended"},
};

}  // namespace

void TVRPrinter::SetStatus(TVRPrinterStatus status) {
#ifdef VIALAR_CHECK_STATE_CHANGES
    if (!StateChangeListed(kStatusChanges, FStatus, status))
        qFatal("TVRPrinter %s: a change of status from %d to %d no operation makes",
               qPrintable(objectName()), int(FStatus), int(status));
#endif
    FStatus = status;
}

QEvent::Type TVRPrinterNotification::PageAvailableType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QEvent::Type TVRPrinterNotification::ProgressType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TVRPrinter::TVRPrinter(TVRPrinterOwner* master)
    : FMaster(master), FPageList(std::make_unique<TVRPageList>()) {
    if (FMaster) FPrinterSettings = FMaster->PrinterSettings();
}

TVRPrinter::~TVRPrinter() {
    // The canvas refers to the painter and the metafile; it goes first.
    FCanvas = nullptr;
    FPageCanvas.reset();
    if (FPrinterPainter && FPrinterPainter->isActive()) FPrinterPainter->end();
    FPageList->Clear();
}

double TVRPrinter::PaperWidthValue() const {
    return ::PaperWidthValue(FPrinterSettings);
}
double TVRPrinter::PaperLengthValue() const {
    return ::PaperLengthValue(FPrinterSettings);
}

QPrinter* TVRPrinter::Printer() {
    if (!aPrinter) {
        const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
        const int index = FPrinterSettings.PrinterIndex;
        if (!FPrinterSettings.UseStandardPrinter && index >= 0 && index < printers.size())
            aPrinter = std::make_unique<QPrinter>(printers[index], QPrinter::HighResolution);
        else
            aPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return aPrinter.get();
}

bool TVRPrinter::PrinterOK() {
    return !QPrinterInfo::availablePrinters().isEmpty() ||
           !FPrinterSettings.OutputFileName.isEmpty() || !Printer()->outputFileName().isEmpty();
}

void TVRPrinter::TakeScreenFactors() {
    FXFactor = ScreenDPI / 254.0;
    FYFactor = ScreenDPI / 254.0;
}

void TVRPrinter::TakePrinterFactors() {
    QPrinter* printer = Printer();
    FXFactor = printer->logicalDpiX() / 254.0;
    FYFactor = printer->logicalDpiY() / 254.0;
    if (FXFactor < 0.1) FXFactor = ScreenDPI / 254.0;
    if (FYFactor < 0.1) FYFactor = ScreenDPI / 254.0;
}

bool TVRPrinter::InRequestedRange(int page) const {
    return (FFirstPage <= 0 || page >= FFirstPage) && (FLastPage <= 0 || page <= FLastPage);
}

void TVRPrinter::BeginDoc() {
    if (FStatus != mpReady) throw Exception(QStringLiteral("VRPrinter not ready"));
    CloseMetafilePage(false);
    FAvailablePages = 0;
    FProgress = 0;
    FCancelled = false;
    if (FFirstPage == 0 && FLastPage == 0) {
        FFirstPage = FPrinterSettings.FirstPage;
        FLastPage = FPrinterSettings.LastPage;
    }
    FLeftWaste = 0;
    FTopWaste = 0;
    if (FDestination == vrdPrinter) {
        QPrinter* printer = Printer();
        if (!FMaster || !FMaster->ApplyPrinterSettings(*printer))
            ApplyPrinterSettings(FPrinterSettings, *printer);
        // Painting starts at the printable area, so positions lose the unprintable
        // margins.
        const QMarginsF margins = printer->pageLayout().margins(QPageLayout::Millimeter);
        FLeftWaste = Round(margins.left() * 10);
        FTopWaste = Round(margins.top() * 10);
    }
    FPageNumber = 0;
    FPageCount = 0;
    SetStatus(mpBusy);
    if (FDestination == vrdMetafile) {
        aStream = std::make_unique<TVRStream>(FPrinterSettings.MemoryLimit);
        FPageList->Attach(aStream.get(), FCompression);
        TakeScreenFactors();
    } else {
        TakePrinterFactors();
    }
}

void TVRPrinter::OpenMetafilePage() {
    TakeScreenFactors();
    FMetafile = std::make_unique<TVRMetafile>(XSize(PaperWidthValue()), YSize(PaperLengthValue()));
    auto canvas = std::make_unique<TVRMetafileCanvas>(*FMetafile);
    FCanvas = canvas.get();
    FPageCanvas = std::move(canvas);
}

// Ends the recording of the open metafile page, appends it to the store when `keep`,
// and frees it. The page is let go before it is stored: one the store refuses is
// dropped rather than offered again when the run cleans up.
void TVRPrinter::CloseMetafilePage(bool keep) {
    if (!FMetafile) return;
    if (auto* recorder = dynamic_cast<TVRMetafileCanvas*>(FPageCanvas.get())) recorder->End();
    FCanvas = nullptr;
    FPageCanvas.reset();
    const std::unique_ptr<TVRMetafile> page = std::move(FMetafile);
    if (keep) FPageList->AddPage(*page);
}

// Ends a run into the page store, also when its last page could not be stored: the
// status is finished, the count is what the store holds and the header says so, so
// that the pages stored so far can be shown, saved and printed.
void TVRPrinter::FinishStore(bool keepOpenPage, bool headerWhenEmpty) {
    try {
        CloseMetafilePage(keepOpenPage);
    } catch (...) {
        SetStatus(mpFinished);
        FPageCount = FPageList->PageCount();
        FPageNumber = qMin(FPageNumber, FPageCount);
        // The failure to report is the one above; the header rewrite overwrites bytes
        // that exist already and has nothing to add to it.
        try {
            if (FPageCount > 0) FPageList->Finish();
        } catch (...) {
        }
        throw;
    }
    if (keepOpenPage) {
        // A page the store refused earlier in the run (its failure ended the run) is
        // not among the pages.
        FPageCount = FPageList->PageCount();
        FPageNumber = qMin(FPageNumber, FPageCount);
    }
    if (headerWhenEmpty || FPageList->PageCount() > 0) FPageList->Finish();
}

void TVRPrinter::StartPrinterDocument() {
    QPrinter* printer = Printer();
    printer->setDocName(FTitle);
    FPrinterPainter = std::make_unique<QPainter>();
    IsPrinting = FPrinterPainter->begin(printer);
}

void TVRPrinter::OpenPrinterPage() {
    if (!IsPrinting) StartPrinterDocument();
    if (!IsPrinting) {
        // The report sees that the document did not start and cancels the run; until
        // then it draws on a page that is thrown away.
        OpenMetafilePage();
        return;
    }
    TakePrinterFactors();
    FPageCanvas =
        std::make_unique<TVRPainterCanvas>(*FPrinterPainter, FXFactor * 254.0, FYFactor * 254.0);
    FCanvas = FPageCanvas.get();
}

void TVRPrinter::ClosePrinterCanvas() {
    FCanvas = nullptr;
    FPageCanvas.reset();
}

void TVRPrinter::NewPage() {
    if (FStatus != mpBusy) throw Exception(QStringLiteral("Illegal call to NewPage"));
    if (FCanvas) {
        if (FDestination == vrdMetafile) {
            CloseMetafilePage(true);
        } else if (FMetafile) {
            CloseMetafilePage(false);
        } else {
            ClosePrinterCanvas();
            if (InRequestedRange(FPageNumber) && FPageNumber != FLastPage) Printer()->newPage();
        }
        SetAvailablePages(FAvailablePages + 1);
    }
    ++FPageCount;
    ++FPageNumber;
    if (FDestination == vrdMetafile || !InRequestedRange(FPageNumber))
        OpenMetafilePage();
    else
        OpenPrinterPage();
}

void TVRPrinter::EndDoc() {
    if (FStatus != mpBusy) return;
    if (FDestination == vrdPrinter) {
        CloseMetafilePage(false);
        ClosePrinterCanvas();
        if (FPrinterPainter && FPrinterPainter->isActive()) FPrinterPainter->end();
        FPrinterPainter.reset();
        IsPrinting = false;
    } else {
        FinishStore(true, true);
    }
    SetStatus(mpFinished);
    SetAvailablePages(FAvailablePages + 1);
    // The header is final before window messages run: a file loaded from one of them
    // (the preview's Load) must not have this run's header written over it.
    QCoreApplication::processEvents();
    if (FDestination == vrdPrinter && FAfterPrintEvent) FAfterPrintEvent();
}

void TVRPrinter::AbortDoc() {
    if (FDestination == vrdPrinter) {
        CloseMetafilePage(false);
        ClosePrinterCanvas();
        // A printer that prints into a file (PDF) cannot take its pages back: the file
        // of an aborted job goes.
        const QString outputFile = IsPrinting ? Printer()->outputFileName() : QString();
        if (IsPrinting) Printer()->abort();
        if (FPrinterPainter && FPrinterPainter->isActive()) FPrinterPainter->end();
        FPrinterPainter.reset();
        IsPrinting = false;
        if (!outputFile.isEmpty()) QFile::remove(outputFile);
    } else if (FStatus == mpBusy) {
        // The header keeps the count of what was stored, so a saved aborted run
        // loads with all its pages.
        FinishStore(!FMaster || FMaster->KeepsRunPages(), false);
    } else {
        CloseMetafilePage(false);
    }
    SetStatus(mpFinished);
}

std::unique_ptr<TVRMetafile> TVRPrinter::GetPage(int pageNumber) const {
    if (FStatus == mpReady || pageNumber < 1 || pageNumber > FPageCount) return nullptr;
    return FPageList->GetPage(pageNumber);
}

void TVRPrinter::PostNotification(QEvent::Type type, int value) {
    if (FClient) QCoreApplication::postEvent(FClient, new TVRPrinterNotification(type, value));
}

void TVRPrinter::SetProgress(int percent) {
    FProgress = percent;
    PostNotification(TVRPrinterNotification::ProgressType(), percent);
}

void TVRPrinter::SetAvailablePages(int pages) {
    FAvailablePages = pages;
    PostNotification(TVRPrinterNotification::PageAvailableType(), pages);
}

bool TVRPrinter::Save(const QString& fileName) {
    if (FStatus != mpFinished) return false;
    FPageList->SaveToFile(fileName);
    return true;
}

void TVRPrinter::CleanUp() {
    if (FStatus == mpBusy) {
        Cancel();
        AbortDoc();
    }
    FPageList->Clear();
    aStream.reset();
    FPageCount = 0;
    FPageNumber = 0;
    FAvailablePages = 0;
}

TVRLoadResult TVRPrinter::Load(const QString& fileName) {
    const auto refusal = [&fileName](const QString& reason) {
        return Exception(QStringLiteral("Cannot read the file %1: %2").arg(fileName, reason));
    };
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) throw refusal(file.errorString());
    // What is read is bounded before a byte of it is: a device or a pipe has no end, and
    // a file larger than a page file can be is not one (a disk image picked by
    // mistake would otherwise fill the memory).
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode))
        throw refusal(QStringLiteral("it is not a report file"));
    if (status.st_size > TVRPageList::LargestFile)
        throw refusal(QStringLiteral("at %1 bytes it is larger than a report file can be "
                                     "(%2 bytes)")
                          .arg(qint64(status.st_size))
                          .arg(TVRPageList::LargestFile));
    QByteArray content(qsizetype(status.st_size), Qt::Uninitialized);
    const qint64 read = file.read(content.data(), content.size());
    if (read < 0) throw refusal(file.errorString());
    content.truncate(read);

    if (FStatus != mpReady) CleanUp();
    // The stream takes the bytes read over rather than copying them: a large file is
    // held in memory once.
    const qint64 memoryLimit = content.size() + loadMemoryReserve;
    aStream = std::make_unique<TVRStream>(std::move(content), memoryLimit);
    const TVRLoadResult result = FPageList->LoadFromStream(aStream.get());
    FPageCount = result.PageCount;
    FPageNumber = result.PageCount;
    FAvailablePages = result.PageCount;
    FCompression = FPageList->Compression();
    TakeScreenFactors();
    FLeftWaste = 0;
    FTopWaste = 0;
    SetStatus(mpFinished);
    // The run these pages replace may have been cancelled; printing them must not be.
    FCancelled = false;

    if (const auto first = FPageList->GetPage(1)) {
        const bool landscape = first->Width() > first->Height();
        FPrinterSettings.Orientation = landscape ? poLandscape : poPortrait;
        // The page in millimetres, as it lies; the paper table holds it in portrait.
        const int widthMm = Trunc(first->Width() / FXFactor / 10);
        const int lengthMm = Trunc(first->Height() / FYFactor / 10);
        const int portraitWidth = landscape ? lengthMm : widthMm;
        const int portraitLength = landscape ? widthMm : lengthMm;
        if (const auto size = MatchPaperSize(portraitWidth, portraitLength)) {
            FPrinterSettings.PaperSize = *size;
        } else {
            FPrinterSettings.PaperSize = TVRPaperSize::Custom;
            // In tenths of a millimetre a damaged page's size may be past an int.
            FPrinterSettings.PaperWidth = portraitWidth * 10.0;
            FPrinterSettings.PaperLength = portraitLength * 10.0;
        }
    }
    FOnPrintSetupEvent = nullptr;
    FOnExportToFilterEvent = nullptr;
    FReportLoaded = true;
    return result;
}

void TVRPrinter::Print() {
    if (FStatus != mpFinished) throw Exception(QStringLiteral("The pages are not ready to print"));
    // An empty store would still start a document, and so put out a blank sheet.
    if (FPageCount == 0) throw Exception(QStringLiteral("There are no pages to print"));
    if (!PrinterOK())
        throw Exception(QStringLiteral("No printer is installed - nothing was printed"));
    // A cancel belongs to the print it stopped (or to the run); this print starts
    // afresh.
    FCancelled = false;
    if (FMaster && !FReportLoaded && !FMaster->PrinterSettings().PrintMetaFile) {
        // The report prints itself by running again; it is asked from the event loop,
        // after this call has returned.
        TVRPrinterOwner* master = FMaster;
        QTimer::singleShot(0, this, [master] { master->PrintAgain(); });
        return;
    }

    std::unique_ptr<TVRProgressDisplay> progress;
    if (FMaster && FMaster->ShowProgress())
        progress = TVRProgressDisplay::Open(*this, FMaster, QStringLiteral("Printing progress"));
    QPrinter* printer = Printer();
    printer->setDocName(FTitle);
    if (printer->printerState() == QPrinter::Active) printer->abort();
    if (!FMaster || !FMaster->ApplyPrinterSettings(*printer))
        ApplyPrinterSettings(FPrinterSettings, *printer);

    QPainter painter;
    if (!painter.begin(printer))
        throw Exception(QStringLiteral("The printer could not start the document"));
    try {
        PrintStoredPages(*printer, painter);
    } catch (...) {
        // A failed print job is aborted, not ended: the pages before the failure are
        // no document.
        printer->abort();
        throw;
    }
    painter.end();
}

void TVRPrinter::PrintStoredPages(QPrinter& printer, QPainter& painter) {
    const TVRPrinterSettings* reportSettings = FMaster ? &FMaster->PrinterSettings() : nullptr;
    const int requestedFirst =
        reportSettings ? reportSettings->FirstPage : FPrinterSettings.FirstPage;
    const int requestedLast = reportSettings ? reportSettings->LastPage : FPrinterSettings.LastPage;
    const int firstPage = qBound(1, requestedFirst > 0 ? requestedFirst : 1, qMax(1, FPageCount));
    const int lastPage = qBound(firstPage, requestedLast > 0 ? requestedLast : FPageCount,
                                qMax(firstPage, FPageCount));

    // The page is stretched over the whole paper, which starts the unprintable
    // margins above and to the left of the painter's origin.
    const double dpiX = printer.logicalDpiX();
    const double dpiY = printer.logicalDpiY();
    QRectF target;
    if (FMaster) {
        const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
        const double leftOffset = margins.left() * 10;
        const double topOffset = margins.top() * 10;
        target = QRectF(QPointF(-Round(leftOffset * dpiX / 254), -Round(topOffset * dpiY / 254)),
                        QPointF(Round((PaperWidthValue() - leftOffset) * dpiX / 254),
                                Round((PaperLengthValue() - topOffset) * dpiY / 254)));
    } else {
        target = QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    }

    {
        // The range serves this print only, also when it fails.
        const auto resetRange = qScopeGuard([this] {
            FFirstPage = FLastPage = 0;
            FPrinterSettings.FirstPage = FPrinterSettings.LastPage = 0;
            if (FMaster) {
                FMaster->PrinterSettings().FirstPage = 0;
                FMaster->PrinterSettings().LastPage = 0;
            }
        });
        const int rangeLength = lastPage - firstPage + 1;
        for (int page = firstPage; page <= lastPage; ++page) {
            QCoreApplication::processEvents();
            SetProgress(Round(double(page - firstPage + 1) / rangeLength * 100));
            if (const auto metafile = GetPage(page)) metafile->Play(painter, target);
            if (page != lastPage) printer.newPage();
            if (FCancelled) {
                printer.abort();
                break;
            }
        }
    }
    if (FMaster) FMaster->AfterPrint();
    if (FAfterPrintEvent) FAfterPrintEvent();
}

void TVRPrinter::SetStandardPreview(TPreviewHandler handler) {
    StandardPreview() = std::move(handler);
}

void TVRPrinter::PreviewModal() {
    if (FOnPreviewEvent)
        FOnPreviewEvent(*this, true);
    else if (StandardPreview())
        StandardPreview()(*this, true);
}

void TVRPrinter::Preview() {
    if (FOnPreviewEvent)
        FOnPreviewEvent(*this, false);
    else if (StandardPreview())
        StandardPreview()(*this, false);
}

void TVRPrinter::ClosePreview() {
    if (FStatus == mpBusy) Cancel();
    FShowingPreview = false;
    if (FAfterPreviewEvent) FAfterPreviewEvent();
    // The report may free this printer in answer: nothing may follow.
    if (FMaster) FMaster->PreviewClosed();
}

void TVRPrinter::PrintSetup() {
    if (FOnPrintSetupEvent) FOnPrintSetupEvent();
}

void TVRPrinter::ExportToFilter(TVRExportFilter& filter) {
    if (FOnExportToFilterEvent)
        FOnExportToFilterEvent(filter);
    else if (FMaster)
        FMaster->ExportToFilter(filter);
}
