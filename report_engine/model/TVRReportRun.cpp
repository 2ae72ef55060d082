// One run of a report (CreateReport): preparing the page printer, the controls and
// the export filter, walking the record set with one detail band per record (or the
// empty-set bands), the summary, and ending the printer document whatever happens.
#include <QCoreApplication>
#include <QScopeGuard>
#include <algorithm>

#include "core/Exception.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/model/TVRDataSet.h"
#include "report_engine/model/TVRPrintable.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/printer/TVRPrinter.h"

void TCustomVRReport::CreateReport() {
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
    FLastPage = false;
    FCompleted = false;
    UserCancel = false;
    FBackImage = BackImageControl.isEmpty() ? nullptr : findChild<TVRImage*>(BackImageControl);

    bool printReport = true;
    if (BeforePrint) BeforePrint(*this, printReport);
    if (!printReport) return;

    const TVRUnit savedUnits = FUnits;
    FUnits = TVRUnit::Native;
    bool prepared = false;
    auto finish = [&] {
        FUnits = savedUnits;
        if (prepared) ForEachPrintable([](TVRPrintable& printable) { printable.UnPrepare(); });
        FInEmptySet = false;
    };
    // A failed direct print is aborted: the printer must not put out the part printed
    // before the failure as if it were the whole document.
    auto endDocument = [this](bool failed) {
        if (FVRPrinter->Status() != mpBusy) return;
        if (RunCancelled() || !FFinalPass || (failed && FVRPrinter->Destination() == vrdPrinter))
            FVRPrinter->AbortDoc();
        else
            FVRPrinter->EndDoc();
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
        // The footer has its place at the bottom of every page; where it reaches above
        // the top margin, no page can hold it.
        if (Round(FPageFooterSize) >
            Round(FPage.NativeLength() - FPage.NativeTopMargin() - FPage.NativeBottomMargin()))
            throw Exception(QStringLiteral(
                "The page footer is taller than the page's space between its margins"));
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
        // The first failure is the one the user sees: ending the document can fail
        // again for the same reason (the page store's disk is full) and would hide it.
        try {
            endDocument(true);
        } catch (...) {
        }
        throw;
    }
    endDocument(false);
    FCompleted = !RunCancelled();
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
        FRecordCount = CountRecords();
        if (!moreData && PrintIfEmpty) PrintEmptySet();
    } else {
        OnNeedData(*this, moreData);
    }
    FDetailNumber = 0;
    if (!moreData) return;

    QCoreApplication::processEvents();
    if (RunCancelled()) return;

    PrintBand(BandOfType(rbTitle));
    if (FPagecount < 2) PrintFirstColumnHeaders();

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
        FVRPrinter->SetProgress(FDetailNumber * 100 / std::max(1, FRecordCount));
        moreData = moreData && !UserCancel;
        if (PagesInPreview > 0) moreData = moreData && PagesInPreview >= FVRPrinter->PageNumber();
    }
    FVRPrinter->SetProgress(100);
    if (RunCancelled()) return;

    if (TVRCustomBand* summary = BandOfType(rbSummary)) {
        if (FCurrentY == -1) NewPage(true);
        CloseRow();
        // A summary too tall even for a fresh column prints there rather than moving on
        // to yet another page that would hold nothing but the page's headers.
        const bool moved = summary->Size().NativeHeight() > AvailableSpace();
        if (moved) NewColumn();
        FSkipSpaceTest = moved;
        const auto restore = qScopeGuard([this] { FSkipSpaceTest = false; });
        PrintBand(summary);
    }
}

// The column headers of the first page. They are the start of its first column, as
// those of later columns and pages are: they only need the page to have started and
// room below the title; when the title leaves none, the next column prints them at its
// start.
void TCustomVRReport::PrintFirstColumnHeaders() {
    for (TVRCustomBand* header : FColumnHeaders) {
        const int printsBefore = FColumnHeaderPrints;
        if (!MakeSpace(header) && FColumnHeaderPrints != printsBefore) continue;
        if (RunCancelled()) return;
        ++FPageEdge;
        const auto leaveEdge = qScopeGuard([this] { --FPageEdge; });
        PrintBand(header);
    }
}

void TCustomVRReport::PrintEmptySet() {
    FInEmptySet = true;
    PrintBand(BandOfType(rbTitle));
    PrintBand(BandOfType(rbDetail));
    PrintBand(BandOfType(rbSummary));
    FInEmptySet = false;
}
