// Pagination of a run: the space left above the page footer, moving a band that does
// not fit to the next column or page, and starting and ending pages with their
// background, page header, column headers, page footer, page controls and frame.
#include <QScopeGuard>
#include <algorithm>

#include "core/Exception.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/model/TVRPrintTarget.h"
#include "report_engine/model/TVRPrintable.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/model/TVRReportRun.h"
#include "report_engine/printer/TVRPrinter.h"

// ---- Pagination --------------------------------------------------------------------

double TVRReportRun::VerticalPaperExtent() const {
    // The printer gives the paper as it lies, so its length is the vertical extent.
    return FVRPrinter ? FVRPrinter->PaperLengthValue() : FPage.NativeLength();
}

int TVRReportRun::AvailableSpace() const {
    if (!FTarget || FCurrentY == -1) return 0;
    if (FTarget->Streaming()) return Round(VerticalPaperExtent());
    return Round(VerticalPaperExtent() - FPage.NativeBottomMargin() - FPageFooterSize - FCurrentY);
}

bool TVRReportRun::MakeSpace(TVRCustomBand* band) {
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

bool TVRReportRun::RowByRow() const {
    return FPage.PrintOrder == ::RowByRow && FPage.Columns() > 1;
}

int TVRReportRun::ColumnWidth() const {
    if (TVRCustomBand* detail = FReport.BandOfType(rbDetail)) return Round(detail->Size().NativeWidth());
    return (Round(FPage.NativeWidth() - (FPage.NativeLeftMargin() + FPage.NativeRightMargin())) -
            Round(FPage.NativeColumnSpace()) * (FPage.Columns() - 1)) /
           FPage.Columns();
}

// Rows printed across the columns: the next row goes to the next column at the same
// top, and below the row's tallest band once the last column is filled.
void TVRReportRun::NextRowColumn(int rowTop) {
    FRowBottom = std::max(FRowBottom, FCurrentY);
    if (FCurrentColumn < FPage.Columns()) {
        FCurrentX += Round(FPage.NativeColumnSpace()) + ColumnWidth();
        FCurrentY = rowTop;
        ++FCurrentColumn;
    } else {
        CloseRow();
    }
}

// Ends a row of bands printed across the columns: the next band starts below it.
void TVRReportRun::CloseRow() {
    if (FRowBottom < 0) return;
    FCurrentX = Round(FPage.NativeLeftMargin());
    FCurrentY = FRowBottom;
    FCurrentColumn = 1;
    FRowBottom = -1;
}

void TVRReportRun::NewColumn() {
    // Across the columns, a band that does not fit below the row goes to the next page.
    if (FCurrentColumn >= FPage.Columns() || RowByRow()) {
        FCurrentColumn = 1;
        FCurrentX = Round(FPage.NativeLeftMargin());
        NewPage(false);
        if (Cancelled()) return;
    } else {
        FCurrentX += Round(FPage.NativeColumnSpace()) + ColumnWidth();
        FCurrentY = FColumnTopPosition;
        ++FCurrentColumn;
    }
    if (!(FCurrentColumn == 1 && FPagecount == 1)) PrintColumnHeaders();
}

void TVRReportRun::PrintColumnHeaders() {
    // Column headers belong to the start of their page or column, as the page header
    // does: they keep their place, and nothing in them (a band kept on one page, lines
    // left over, a forced break in a child) may start another column, which would
    // print them again from inside their own print.
    ++FPageEdge;
    const auto leaveEdge = qScopeGuard([this] { --FPageEdge; });
    for (TVRCustomBand* header : FColumnHeaders) {
        const TVRBandType type = header->BandType();
        header->SetBandType(rbColumnHeader);
        const auto restore = qScopeGuard([header, type] { header->SetBandType(type); });
        PrintBand(header);
    }
    ++FColumnHeaderPrints;
}

void TVRReportRun::NewPage(bool printColumnHeaders) {
    EndPage();
    FRowBottom = -1;
    ++FPagecount;
    FTarget->StartPage(FPagecount);

    if (FVRPrinter->Destination() == vrdPrinter && !FVRPrinter->Printing()) {
        const int first = FPrinterSettings.FirstPage;
        const int last = FPrinterSettings.LastPage;
        const bool inRange =
            (first == 0 || FPagecount >= first) && (last == 0 || FPagecount <= last);
        if (inRange) {
            FVRPrinter->Cancel();
            FReport.FCancelled = true;
            FReport.FPrinterNotStarted = true;
            return;
        }
    }

    FCurrentY = Round(FPage.NativeTopMargin());
    if (FReport.OnStartPage) FReport.OnStartPage(FReport);

    if (FReport.BackgroundColor != clWhite)
        FTarget->FillBox({0, 0, FVRPrinter->XSize(FVRPrinter->PaperWidthValue()),
                          FVRPrinter->YSize(FVRPrinter->PaperLengthValue())},
                         FReport.BackgroundColor, TVRFill::Background);
    if (FBackImage) {
        const TVRPrintableSize& size = FBackImage->Size();
        FTarget->PlaceBackImage(
            *FBackImage, *FBackImage->PageBackground(),
            {FVRPrinter->XPos(size.NativeLeft()), FVRPrinter->YPos(size.NativeTop()),
             FVRPrinter->XPos(size.NativeLeft() + size.NativeWidth()),
             FVRPrinter->YPos(size.NativeTop() + size.NativeHeight())});
    }

    ++FPageEdge;
    const auto leaveEdge = qScopeGuard([this] { --FPageEdge; });
    if (FPagecount > 1 || FReport.Options.testFlag(TVROption::FirstPageHeader))
        PrintBand(FReport.BandOfType(rbPageHeader));
    FColumnTopPosition = FCurrentY;
    FCurrentColumn = 1;
    if (FPagecount == 1)
        if (TVRCustomBand* title = FReport.BandOfType(rbTitle))
            FColumnTopPosition += Round(title->Size().NativeHeight());
    if (printColumnHeaders && FPagecount > 1) PrintColumnHeaders();
}

void TVRReportRun::EndPage() {
    if (FPagecount > 0) {
        FCurrentY = Round(FPage.NativeLength() - FPage.NativeBottomMargin() - FPageFooterSize);
        FCurrentX = Round(FPage.NativeLeftMargin());
        if (!(FLastPage && !FReport.Options.testFlag(TVROption::LastPageFooter))) {
            ++FPageEdge;
            const auto leaveEdge = qScopeGuard([this] { --FPageEdge; });
            PrintBand(FReport.BandOfType(rbPageFooter));
        }
        for (TVRPrintable* printable : FReport.Printables())
            if (printable != FBackImage && printable->IsEnabled()) printable->Print(0, 0);
        if (FFrame.AnySide())
            FTarget->DrawFrame(
                FFrame, {FVRPrinter->XPos(FPage.NativeLeftMargin()),
                         FVRPrinter->YPos(FPage.NativeTopMargin()),
                         FVRPrinter->XPos(FPage.NativeWidth() - FPage.NativeRightMargin()),
                         FVRPrinter->YPos(FPage.NativeLength() - FPage.NativeBottomMargin())});
        if (FReport.OnEndPage) FReport.OnEndPage(FReport);
    }
    FTarget->EndPage();
}
