// Printing one band: its events, forced breaks and space test, child bands, the
// background, controls and frame (again on the next column for stretching controls
// with lines left), full-height lines, and the marker an HTML-like filter receives.
#include <QScopeGuard>
#include <algorithm>
#include <utility>

#include "core/Exception.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/model/TVRPrintTarget.h"
#include "report_engine/model/TVRPrintable.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/model/TVRReportRun.h"
#include "report_engine/printer/TVRPrinter.h"

// ---- Printing a band ---------------------------------------------------------------

void TVRReportRun::PrintBand(TVRCustomBand* band) {
    if (!band) return;
    TVRCustomBand* const outer = std::exchange(FPrintingBand, band);
    const auto restoreOuter = qScopeGuard([this, outer] { FPrintingBand = outer; });
    const TVRBandType type = band->BandType();

    // A bottom-aligned summary of a page with several columns takes a page of its own.
    // It is aligned on that page: leaving out the last page's footer before the page
    // break would place the footer of the page before it too low.
    const bool summaryOnNewPage = type == rbSummary && FPage.Columns() > 1 && band->AlignToBottom;
    auto alignToBottom = [&] {
        if (!band->AlignToBottom || FCurrentY == -1) return;
        if (type == rbSummary && !FReport.Options.testFlag(TVROption::LastPageFooter)) FPageFooterSize = 0;
        const double bottom = VerticalPaperExtent() - FPage.NativeBottomMargin() - FPageFooterSize -
                              band->Size().NativeHeight();
        if (bottom >= FCurrentY) FCurrentY = Round(bottom);
    };
    if (!summaryOnNewPage) alignToBottom();
    if (FVRPrinter->Destination() == vrdPrinter && FVRPrinter->Cancelled()) return;
    // Other bands than details (and the details' own children) start below an open row.
    if (type != rbDetail && type != rbChild && FPageEdge == 0) CloseRow();

    bool printBand = band->Enabled;
    if (printBand && band->BeforePrint) band->BeforePrint(*band, printBand);
    if (!printBand) {
        if (band->AfterPrint) band->AfterPrint(*band, false);
        return;
    }

    if (summaryOnNewPage) {
        NewPage(true);
        if (Cancelled()) return;
        alignToBottom();
    }
    if (band->ChildBand && band->ChildBand->PrintBeforeParent) PrintChildBand(band->ChildBand);

    // The bands of a page's start and end keep their place: no break and no space test.
    // A page header that leaves no room even on a fresh page could never be placed.
    const bool pageEdge = FPageEdge > 0;
    bool forced = false;
    if (pageEdge) {
        if ((type == rbPageHeader || type == rbColumnHeader) &&
            Round(band->Size().NativeHeight()) > AvailableSpace())
            throw Exception(
                type == rbPageHeader
                    ? QStringLiteral("The page header %1 is taller than the page's space above "
                                     "the page footer")
                          .arg(band->Name())
                    : QStringLiteral("The column header %1 is taller than the space its page "
                                     "leaves for it")
                          .arg(band->Name()));
    } else if (type == rbDetail && (band->ForceNewPage || band->ForceNewColumn)) {
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
    // A band that was just given a fresh column is not moved once more.
    if (!forced && !FSkipSpaceTest && !pageEdge) MakeSpace(band);
    if (Cancelled()) return;

    if (!pageEdge && band->KeepOnOnePage && band->ExpandedHeight() > AvailableSpace()) NewColumn();

    const int rowTop = FCurrentY;
    PrintBandContents(band);

    if (type == rbDetail) ++FDetailsPrinted;
    if (band->AfterPrint) band->AfterPrint(*band, true);
    if (band->ChildBand && !band->ChildBand->PrintBeforeParent) PrintChildBand(band->ChildBand);
    if (type == rbDetail && RowByRow() && !Cancelled()) NextRowColumn(rowTop);
}

void TVRReportRun::PrintChildBand(TVRCustomBand* child) {
    // A child band that names itself (or its parent) as child would print for ever.
    if (child->BandType() != rbChild || FPrintingChild > 16) return;
    ++FPrintingChild;
    const auto leave = qScopeGuard([this] { --FPrintingChild; });
    PrintBand(child);
}

TRect TVRReportRun::BandRect(TVRCustomBand* band, double height) const {
    return {FVRPrinter->XPos(FCurrentX), FVRPrinter->YPos(FCurrentY),
            FVRPrinter->XPos(FCurrentX + band->Size().NativeWidth()),
            FVRPrinter->YPos(FCurrentY + height)};
}

void TVRReportRun::PrintBandContents(TVRCustomBand* band) {
    band->SetExpanded(0);
    const double height = band->Size().NativeHeight();
    const double rectHeight = band->PreCalculateBandHeight ? band->ExpandedHeight() : height;

    auto paintBackground = [&](const TRect& rect) {
        if (!band->TransparentBand) FTarget->FillBox(rect, band->Color, TVRFill::Background);
    };
    auto finishPart = [&] {
        const TRect rect = BandRect(band, std::max(rectHeight, height + band->Expanded()));
        band->BandFrameRect = rect;
        FTarget->DrawFrame(band->Frame(), rect);
        PrintFullHeightLines(band, rect);
    };

    band->BandFrameRect = BandRect(band, rectHeight);
    paintBackground(band->BandFrameRect);
    if (height > 0) {
        QList<TVRPrintable*> unfinished;
        for (TVRPrintable* printable : band->RunPrintables()) {
            // Full-height lines are drawn with the band's frame, the band's whole height.
            if (!printable->IsEnabled() || printable->FullHeightLine()) continue;
            printable->Print(FCurrentX, FCurrentY);
            if (!printable->PrintFinished()) unfinished.append(printable);
        }
        finishPart();
        // Stretching controls with lines left go on in the next column or page. A
        // control whose next line never fits a fresh column would ask for pages for
        // ever: the band gives up when a new column printed nothing more. A band of a
        // page's start or end stays on its page.
        while (!unfinished.isEmpty() && !Cancelled() && FPageEdge == 0) {
            NewColumn();
            if (Cancelled()) break;
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
            unfinished = still;
            if (pendingAfter >= pendingBefore) break;
        }
        // Lines given up are dropped: the band's next print (the next record) starts
        // from its own text, not from this one's leftovers.
        for (TVRPrintable* printable : unfinished) printable->DropPendingParts();
    }
    FCurrentY += Round(height + band->Expanded());

    FTarget->EndBand(*band);
}

void TVRReportRun::PrintFullHeightLines(TVRCustomBand* band, const TRect& rect) {
    const double designWidth = band->Size().NativeWidth();
    for (TVRPrintable* printable : band->RunPrintables()) {
        if (!printable->IsEnabled()) continue;
        const std::optional<TVRShapeGraphic> line = printable->FullHeightLine();
        if (!line) continue;
        const double middle = printable->Size().NativeLeft() + printable->Size().NativeWidth() / 2;
        const int x =
            designWidth > 0 ? rect.Left + Round(middle / designWidth * rect.Width()) : rect.Left;
        FTarget->DrawFullHeightLine(*line, x, rect.Top, rect.Bottom);
    }
}
