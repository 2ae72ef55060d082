#include "report_engine/model/TVRReport.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

#include "report_engine/base/Rounding.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/controls/TVRShape.h"
#include "report_engine/model/TVRDataSet.h"
#include "report_engine/model/TVRPrintable.h"
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
    return FAvailable ? CountRecords() : FRecordCount;
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

bool TCustomVRReport::ExportWantsRecords() const {
    return FExportFilter && dynamic_cast<TVRBandMarkerSink*>(FExportFilter);
}

// ---- Runs --------------------------------------------------------------------------

void TCustomVRReport::PreviewModal() {
    if (!FAvailable) return;
    if (BeforePreview) BeforePreview(*this);
    FVRPrinter = NewPrinter();
    CreateReport();
    if (!FVRPrinter) return;
    FVRPrinter->SetReportLoaded(true);
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
    if (!FAvailable) return;
    if (BeforePreview) BeforePreview(*this);
    FVRPrinter = NewPrinter();
    if (OnPreview)
        OnPreview(*this);
    else
        FVRPrinter->Preview();
    CreateReport();
    if (FVRPrinter) FVRPrinter->SetReportLoaded(true);
    // The preview window marks the printer as shown while it is open and frees it when
    // it closes (PreviewClosed).
    while (FVRPrinter && FVRPrinter->ShowingPreview())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (AfterPreview) AfterPreview(*this);
}

void TCustomVRReport::Prepare() {
    if (!FAvailable) return;
    FVRPrinter = NewPrinter();
    CreateReport();
    if (FVRPrinter) FVRPrinter->SetReportLoaded(true);
}

void TCustomVRReport::Print() {
    if (!FAvailable) return;
    RunWithPrinter(vrdPrinter, QStringLiteral("Printing progress"));
    FPrinterSettings.FirstPage = 0;
    FPrinterSettings.LastPage = 0;
    if (AfterPrintEvent) AfterPrintEvent(*this);
}

void TCustomVRReport::ExportToFilter(TVRExportFilter& filter) {
    if (!FAvailable) return;
    Zoom = 100;
    bool cancel = false;
    if (OnExport) OnExport(*this, cancel);
    if (cancel) return;

    FExporting = true;
    FExportFilter = &filter;
    FFinalPass = false;
    filter.SetOwner(this);
    filter.SetOriginalVRPrinter(FVRPrinter.get());
    try {
        RunWithPrinter(vrdMetafile, QStringLiteral("Export Progress"));
    } catch (...) {
        FExporting = false;
        FExportFilter = nullptr;
        FFinalPass = true;
        throw;
    }
    FExporting = false;
    FExportFilter = nullptr;
    FFinalPass = true;
}

void TCustomVRReport::RunWithPrinter(TVRPrinterDestination destination,
                                     const QString& progressCaption) {
    // The run gets a page printer of its own; the previous one (whose pages a preview
    // may be showing) comes back afterwards.
    std::unique_ptr<TVRPrinter> previous = std::move(FVRPrinter);
    FVRPrinter = NewPrinter();
    FVRPrinter->SetDestination(destination);
    try {
        std::unique_ptr<TVRProgressDisplay> progress;
        if (ShowProgressWindow)
            progress = TVRProgressDisplay::Open(*FVRPrinter, this, progressCaption);
        CreateReport();
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

void TCustomVRReport::CreateReport() {
    if (!FAvailable) return;
    // A page printer serves one run.
    if (!FVRPrinter || FVRPrinter->Status() != mpReady) FVRPrinter = NewPrinter();
    FPage.ClampMargins();

    FAvailable = false;
    FCancelled = false;
    FLastPage = false;
    UserCancel = false;
    FBackImage = BackImageControl.isEmpty() ? nullptr : findChild<TVRImage*>(BackImageControl);

    bool printReport = true;
    if (BeforePrint) BeforePrint(*this, printReport);
    if (!printReport) {
        FAvailable = true;
        return;
    }

    const TVRUnit savedUnits = FUnits;
    FUnits = TVRUnit::Native;
    bool prepared = false;
    auto finish = [&] {
        FUnits = savedUnits;
        if (prepared) ForEachPrintable([](TVRPrintable& printable) { printable.UnPrepare(); });
        FInEmptySet = false;
    };
    auto endDocument = [this] {
        if (FVRPrinter->Status() == mpBusy) {
            if (RunCancelled() || !FFinalPass)
                FVRPrinter->AbortDoc();
            else
                FVRPrinter->EndDoc();
        }
        FAvailable = true;
    };

    try {
        CopySettingsToPrinter(*FVRPrinter);
        FVRPrinter->BeginDoc();
        FCurrentY = -1;
        FPagecount = 0;
        FDetailNumber = 0;
        FDetailsPrinted = 0;
        FRecordCount = 1;
        FCurrentColumn = FPage.Columns();
        if (FExporting && FExportFilter && !FExportFilter->Active())
            FExportFilter->Start(Round(FPage.NativeWidth()), Round(FPage.NativeLength()), Font);
        FPageFooterSize = PageFooterSize();
        for (TVRCustomBand* band : BandList()) band->SetParentReport();
        FCurrentX = Round(FPage.NativeLeftMargin());
        ForEachPrintable([](TVRPrintable& printable) { printable.Prepare(); });
        prepared = true;

        Execute();

        FCurrentX = Round(FPage.NativeLeftMargin());
        FLastPage = true;
        if (!RunCancelled()) EndPage();
        if (FExporting && FExportFilter) FExportFilter->Finish();
        finish();
    } catch (...) {
        finish();
        endDocument();
        throw;
    }
    endDocument();
}

double TCustomVRReport::PageFooterSize() const {
    double size = 0;
    for (TVRCustomBand* band : BandList()) {
        if (band->BandType() != rbPageFooter || !band->Enabled) continue;
        size += band->Size().NativeHeight();
        if (band->ChildBand && band->ChildBand->Enabled)
            size += band->ChildBand->Size().NativeHeight();
    }
    return size;
}

// ---- Detail iteration --------------------------------------------------------------

void TCustomVRReport::Execute() {
    FColumnHeaders.clear();
    for (TVRCustomBand* band : BandList())
        if (band->BandType() == rbColumnHeader && band->Enabled) {
            FColumnHeaders.append(band);
            break;
        }

    TVRDataSet* dataSet = DataSet && DataSet->Active() ? DataSet : nullptr;
    if (!dataSet && !OnNeedData) {
        if (PrintIfEmpty) PrintEmptySet();
        return;
    }

    bool moreData = true;
    if (dataSet) {
        dataSet->First();
        moreData = !dataSet->Eof();
        FRecordCount = std::max(1, CountRecords());
        if (!moreData && PrintIfEmpty) PrintEmptySet();
    } else {
        OnNeedData(*this, moreData);
    }
    FDetailNumber = 0;
    if (!moreData) return;

    QCoreApplication::processEvents();
    if (RunCancelled()) return;

    PrintBand(BandOfType(rbTitle));
    if (FPagecount < 2) {
        for (TVRCustomBand* header : FColumnHeaders) PrintBand(header);
    }

    TVRCustomBand* detail = BandOfType(rbDetail);
    while (moreData) {
        QCoreApplication::processEvents();
        if (FVRPrinter->Cancelled()) break;
        ++FDetailNumber;
        PrintBand(detail);
        if (dataSet) {
            dataSet->Next();
            moreData = !dataSet->Eof();
        } else {
            moreData = true;
            OnNeedData(*this, moreData);
        }
        FVRPrinter->SetProgress(FDetailNumber * 100 / FRecordCount);
        moreData = moreData && !UserCancel;
        if (PagesInPreview > 0) moreData = moreData && PagesInPreview >= FVRPrinter->PageNumber();
    }
    FVRPrinter->SetProgress(100);
    if (RunCancelled()) return;

    if (TVRCustomBand* summary = BandOfType(rbSummary)) {
        if (FCurrentY == -1) NewPage(true);
        // A summary too tall even for a fresh column prints there rather than moving on
        // to yet another page that would hold nothing but the page's headers.
        const bool moved = summary->Size().NativeHeight() > AvailableSpace();
        if (moved) NewColumn();
        FSkipSpaceTest = moved;
        PrintBand(summary);
        FSkipSpaceTest = false;
    }
}

void TCustomVRReport::PrintEmptySet() {
    FInEmptySet = true;
    PrintBand(BandOfType(rbTitle));
    PrintBand(BandOfType(rbDetail));
    PrintBand(BandOfType(rbSummary));
    FInEmptySet = false;
}

// ---- Pagination --------------------------------------------------------------------

double TCustomVRReport::VerticalPaperExtent() const {
    // The printer gives the paper as it lies, so its length is the vertical extent.
    return FVRPrinter ? FVRPrinter->PaperLengthValue() : FPage.NativeLength();
}

int TCustomVRReport::AvailableSpace() const {
    if (FAvailable || FCurrentY == -1) return 0;
    if (FExporting && FExportFilter && FExportFilter->GetStreaming())
        return Round(VerticalPaperExtent());
    return Round(VerticalPaperExtent() - FPage.NativeBottomMargin() - FPageFooterSize - FCurrentY);
}

bool TCustomVRReport::MakeSpace(TVRCustomBand* band) {
    if (FPage.PrintOrder == RowByRow && FPage.Columns() > 1) return true;
    double height = band->Size().NativeHeight();
    int links = 0;
    for (TVRCustomBand* link = band->LinkBand; link && link != band && links < 100;
         link = link->LinkBand, ++links)
        height += link->Size().NativeHeight();
    const double printable =
        FPage.NativeLength() - FPage.NativeTopMargin() - FPage.NativeBottomMargin();
    const bool fits =
        FCurrentY != -1 && (band->BandType() == rbPageFooter || AvailableSpace() >= Round(height) ||
                            Round(height) > Round(printable));
    if (fits) return true;
    if (FPage.Continuous && FPagecount > 0) return true;
    NewColumn();
    return false;
}

void TCustomVRReport::NewColumn() {
    if (FCurrentColumn >= FPage.Columns()) {
        FCurrentColumn = 1;
        FCurrentX = Round(FPage.NativeLeftMargin());
        NewPage(false);
        if (RunCancelled()) return;
    } else {
        int columnWidth = 0;
        if (TVRCustomBand* detail = BandOfType(rbDetail))
            columnWidth = Round(detail->Size().NativeWidth());
        else
            columnWidth = (Round(FPage.NativeWidth() -
                                 (FPage.NativeLeftMargin() + FPage.NativeRightMargin())) -
                           Round(FPage.NativeColumnSpace()) * (FPage.Columns() - 1)) /
                          FPage.Columns();
        FCurrentX += Round(FPage.NativeColumnSpace()) + columnWidth;
        FCurrentY = FColumnTopPosition;
        ++FCurrentColumn;
    }
    if (!(FCurrentColumn == 1 && FPagecount == 1)) PrintColumnHeaders();
}

void TCustomVRReport::PrintColumnHeaders() {
    for (TVRCustomBand* header : FColumnHeaders) {
        const TVRBandType type = header->BandType();
        header->SetBandType(rbColumnHeader);
        FSkipSpaceTest = true;
        PrintBand(header);
        FSkipSpaceTest = false;
        header->SetBandType(type);
    }
}

void TCustomVRReport::NewPage(bool printColumnHeaders) {
    EndPage();
    ++FPagecount;
    if (FExporting && FExportFilter) FExportFilter->NewPage();
    // An export draws nothing: later pages reuse the first, undrawn canvas.
    if (!FExporting || FPagecount == 1) FVRPrinter->NewPage();

    if (FVRPrinter->Destination() == vrdPrinter && !FVRPrinter->Printing()) {
        const int first = FPrinterSettings.FirstPage;
        const int last = FPrinterSettings.LastPage;
        const bool inRange =
            (first == 0 || FPagecount >= first) && (last == 0 || FPagecount <= last);
        if (inRange) {
            FVRPrinter->Cancel();
            FCancelled = true;
            return;
        }
    }

    FCurrentY = Round(FPage.NativeTopMargin());
    if (OnStartPage) OnStartPage(*this);

    const bool drawing = !FExporting;
    TVRCanvas* canvas = drawing ? FVRPrinter->Canvas() : nullptr;
    if (BackgroundColor != clWhite) {
        const TRect page{0, 0, FVRPrinter->XSize(FVRPrinter->PaperWidthValue()),
                         FVRPrinter->YSize(FVRPrinter->PaperLengthValue())};
        if (canvas) {
            canvas->SetBrush({BackgroundColor, bsSolid});
            canvas->FillRect(page);
        } else if (FExporting && FExportFilter) {
            ExportFilledRectangle(*FExportFilter, page, BackgroundColor);
        }
    }
    if (FBackImage) {
        const TVRPrintableSize& size = FBackImage->Size();
        const TRect box{FVRPrinter->XPos(size.NativeLeft()), FVRPrinter->YPos(size.NativeTop()),
                        FVRPrinter->XPos(size.NativeLeft() + size.NativeWidth()),
                        FVRPrinter->YPos(size.NativeTop() + size.NativeHeight())};
        if (canvas) {
            canvas->StretchDraw(box, FBackImage->Picture().Image());
        } else if (FExporting && FExportFilter) {
            FExportFilter->AcceptGraphic(box.Left, box.Top, *FBackImage);
        }
    }

    if (FPagecount > 1 || Options.testFlag(TVROption::FirstPageHeader))
        PrintBand(BandOfType(rbPageHeader));
    FColumnTopPosition = FCurrentY;
    FCurrentColumn = 1;
    if (FPagecount == 1)
        if (TVRCustomBand* title = BandOfType(rbTitle))
            FColumnTopPosition += Round(title->Size().NativeHeight());
    if (printColumnHeaders && FPagecount > 1) PrintColumnHeaders();
}

void TCustomVRReport::EndPage() {
    if (FPagecount > 0) {
        FCurrentY = Round(FPage.NativeLength() - FPage.NativeBottomMargin() - FPageFooterSize);
        FCurrentX = Round(FPage.NativeLeftMargin());
        if (!(FLastPage && !Options.testFlag(TVROption::LastPageFooter)))
            PrintBand(BandOfType(rbPageFooter));
        for (TVRPrintable* printable : Printables())
            if (printable != FBackImage && printable->IsEnabled()) printable->Print(0, 0);
        if (FFrame.AnySide()) {
            const TRect margins{
                FVRPrinter->XPos(FPage.NativeLeftMargin()),
                FVRPrinter->YPos(FPage.NativeTopMargin()),
                FVRPrinter->XPos(FPage.NativeWidth() - FPage.NativeRightMargin()),
                FVRPrinter->YPos(FPage.NativeLength() - FPage.NativeBottomMargin())};
            if (FExporting && FExportFilter)
                FFrame.Export(*FExportFilter, margins, FVRPrinter->XFactor(),
                              FVRPrinter->YFactor());
            else if (TVRCanvas* canvas = FVRPrinter->Canvas())
                FFrame.Paint(*canvas, margins, FVRPrinter->XFactor(), FVRPrinter->YFactor());
        }
        if (OnEndPage) OnEndPage(*this);
    }
    if (FExporting && FExportFilter) FExportFilter->EndPage();
}

// ---- Printing a band ---------------------------------------------------------------

void TCustomVRReport::PrintBand(TVRCustomBand* band) {
    if (!band) return;
    TVRCustomBand* const outer = std::exchange(FPrintingBand, band);
    const auto restoreOuter = qScopeGuard([this, outer] { FPrintingBand = outer; });
    const TVRBandType type = band->BandType();

    if (band->AlignToBottom && FCurrentY != -1) {
        if (type == rbSummary && !Options.testFlag(TVROption::LastPageFooter)) FPageFooterSize = 0;
        const double bottom = VerticalPaperExtent() - FPage.NativeBottomMargin() - FPageFooterSize -
                              band->Size().NativeHeight();
        if (bottom >= FCurrentY) FCurrentY = Round(bottom);
    }
    if (FVRPrinter->Destination() == vrdPrinter && FVRPrinter->Cancelled()) return;

    bool printBand = band->Enabled;
    if (printBand && band->BeforePrint) band->BeforePrint(*band, printBand);
    if (!printBand) {
        if (band->AfterPrint) band->AfterPrint(*band, false);
        return;
    }

    if (type == rbSummary && FPage.Columns() > 1 && band->AlignToBottom) NewPage(true);
    if (band->ChildBand && band->ChildBand->PrintBeforeParent) PrintChildBand(band->ChildBand);

    bool forced = false;
    if (type == rbDetail && (band->ForceNewPage || band->ForceNewColumn)) {
        if (FDetailNumber > 1) {
            if (band->ForceNewPage)
                NewPage(true);
            else
                NewColumn();
            forced = true;
        }
    } else if (type == rbSummary || type == rbGroupHeader || type == rbGroupFooter ||
               type == rbSubDetail || type == rbChild) {
        if (band->ForceNewPage && FDetailsPrinted >= 2) {
            NewPage(true);
            forced = true;
        } else if (band->ForceNewColumn && FCurrentY != -1) {
            NewColumn();
            forced = true;
        }
    }
    // Column headers start a column and need no room of their own; a band that was
    // just given a fresh column is not moved once more.
    if (!forced && !FSkipSpaceTest) MakeSpace(band);
    if (RunCancelled()) return;

    if (band->KeepOnOnePage && band->ExpandedHeight() > AvailableSpace()) NewColumn();

    PrintBandContents(band);

    if (type == rbDetail) ++FDetailsPrinted;
    if (band->AfterPrint) band->AfterPrint(*band, true);
    if (band->ChildBand && !band->ChildBand->PrintBeforeParent) PrintChildBand(band->ChildBand);
}

void TCustomVRReport::PrintChildBand(TVRCustomBand* child) {
    // A child band that names itself (or its parent) as child would print for ever.
    if (child->BandType() != rbChild || FPrintingChild > 16) return;
    ++FPrintingChild;
    PrintBand(child);
    --FPrintingChild;
}

TRect TCustomVRReport::BandRect(TVRCustomBand* band, double height) const {
    return {FVRPrinter->XPos(FCurrentX), FVRPrinter->YPos(FCurrentY),
            FVRPrinter->XPos(FCurrentX + band->Size().NativeWidth()),
            FVRPrinter->YPos(FCurrentY + height)};
}

void TCustomVRReport::PrintBandContents(TVRCustomBand* band) {
    band->SetExpanded(0);
    const double height = band->Size().NativeHeight();
    const double rectHeight = band->PreCalculateBandHeight ? band->ExpandedHeight() : height;
    const bool exporting = FExporting && FExportFilter;

    auto paintBackground = [&](const TRect& rect) {
        if (band->TransparentBand) return;
        if (exporting) {
            ExportFilledRectangle(*FExportFilter, rect, band->Color);
        } else if (TVRCanvas* canvas = FVRPrinter->Canvas(); canvas && height > 0) {
            canvas->SetBrush({band->Color, bsSolid});
            canvas->FillRect(rect);
        }
    };
    auto finishPart = [&] {
        const TRect rect = BandRect(band, std::max(rectHeight, height + band->Expanded()));
        band->BandFrameRect = rect;
        if (exporting)
            band->Frame().Export(*FExportFilter, rect, FVRPrinter->XFactor(),
                                 FVRPrinter->YFactor());
        else if (TVRCanvas* canvas = FVRPrinter->Canvas())
            band->Frame().Paint(*canvas, rect, FVRPrinter->XFactor(), FVRPrinter->YFactor());
        PrintFullHeightLines(band, rect);
    };

    band->BandFrameRect = BandRect(band, rectHeight);
    paintBackground(band->BandFrameRect);
    if (height > 0) {
        QList<TVRPrintable*> unfinished;
        for (TVRPrintable* printable : band->RunPrintables()) {
            if (!printable->IsEnabled() || IsFullHeightLine(printable)) continue;
            printable->Print(FCurrentX, FCurrentY);
            if (!printable->PrintFinished()) unfinished.append(printable);
        }
        finishPart();
        // Stretching controls with lines left go on in the next column or page. A
        // control whose next line never fits a fresh column would ask for pages for
        // ever: the band gives up when a new column printed nothing more.
        while (!unfinished.isEmpty() && !RunCancelled()) {
            NewColumn();
            if (RunCancelled()) break;
            band->SetExpanded(0);
            paintBackground(BandRect(band, rectHeight));
            int pendingBefore = 0;
            int pendingAfter = 0;
            QList<TVRPrintable*> still;
            for (TVRPrintable* printable : unfinished) {
                pendingBefore += printable->PendingParts();
                printable->Print(FCurrentX, FCurrentY);
                pendingAfter += printable->PendingParts();
                if (!printable->PrintFinished()) still.append(printable);
            }
            finishPart();
            if (pendingAfter >= pendingBefore) break;
            unfinished = still;
        }
    }
    FCurrentY += Round(height + band->Expanded());

    if (exporting && ExportWantsRecords()) SendBandMarker(band);
}

bool TCustomVRReport::IsFullHeightLine(const TVRPrintable* printable) {
    const auto* shape = qobject_cast<const TVRShape*>(printable);
    return shape && shape->Tag == 1000 && shape->Shape == vrsVertLine;
}

void TCustomVRReport::PrintFullHeightLines(TVRCustomBand* band, const TRect& rect) {
    const double designWidth = band->Size().NativeWidth();
    for (TVRPrintable* printable : band->RunPrintables()) {
        if (!printable->IsEnabled() || !IsFullHeightLine(printable)) continue;
        auto* shape = static_cast<TVRShape*>(printable);
        const double middle = shape->Size().NativeLeft() + shape->Size().NativeWidth() / 2;
        const int x =
            designWidth > 0 ? rect.Left + Round(middle / designWidth * rect.Width()) : rect.Left;
        if (FExporting && FExportFilter) {
            const int width = std::max(1, shape->Pen.Width);
            shape->SetPixelBounds(x - width / 2, rect.Top, width, rect.Height());
            FExportFilter->AcceptGraphic(x - width / 2, rect.Top, *shape);
            shape->ClearPixelBounds();
        } else if (TVRCanvas* canvas = FVRPrinter->Canvas()) {
            canvas->SetPen(shape->Pen);
            canvas->MoveTo(x, rect.Top);
            canvas->LineTo(x, rect.Bottom);
        }
    }
}

void TCustomVRReport::SendBandMarker(TVRCustomBand* band) {
    const TRect& rect = band->BandFrameRect;
    const QString tag =
        QStringLiteral(
            "<DIV id=\"%1\" name=\"%2\" class=\"vrband\" style=\"visibility:hidden;"
            "position:absolute;left:%3px;top:!xx!px;width:%4px;height:%5px;\"></div>")
            .arg(band->Name(), band->BandTypeName())
            .arg(rect.Left)
            .arg(rect.Width())
            .arg(rect.Height());
    if (auto* sink = dynamic_cast<TVRBandMarkerSink*>(FExportFilter))
        sink->acceptHTMLTag(tag, rect.Top);
}
