// One run of a report: preparing the page printer and the controls, walking the
// record set with one detail band per record (or the empty-set bands), the summary,
// and ending the printer document whatever happens.
#include "report_engine/model/TVRReportRun.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <algorithm>

#include "core/Exception.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/model/TVRDataSet.h"
#include "report_engine/model/TVRPrintTarget.h"
#include "report_engine/model/TVRPrintable.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/printer/TVRPrinter.h"

namespace {

// The picture control of that name under `parent`, searched the way QObject::findChild
// searches: each level's children before their descendants.
TVRPrintable* FindPicture(const QObject& parent, const QString& name) {
    const QObjectList& children = parent.children();
    for (QObject* child : children) {
        auto* control = qobject_cast<TVRPrintable*>(child);
        if (control && control->PageBackground() && child->objectName() == name) return control;
    }
    for (QObject* child : children)
        if (TVRPrintable* found = FindPicture(*child, name)) return found;
    return nullptr;
}

}  // namespace

TVRReportRun::TVRReportRun(TCustomVRReport& report, TVRPrinter& printer, TVRPrintTarget& target)
    : FReport(report),
      FPage(report.Page()),
      FFrame(report.Frame()),
      FPrinterSettings(report.PrinterSettings()),
      FVRPrinter(&printer),
      FTarget(&target),
      FBackImage(report.BackImageControl.isEmpty() ? nullptr
                                                   : FindPicture(report, report.BackImageControl)) {
}

void TVRReportRun::Detach() {
    FTarget = nullptr;
    FVRPrinter = nullptr;
}

bool TVRReportRun::Cancelled() const {
    return FReport.RunCancelled();
}

void TVRReportRun::Run() {
    const TVRUnit savedUnits = FReport.FUnits;
    FReport.FUnits = TVRUnit::Native;
    bool prepared = false;
    auto finish = [&] {
        FReport.FUnits = savedUnits;
        if (prepared)
            FReport.ForEachPrintable([](TVRPrintable& printable) { printable.UnPrepare(); });
        FInEmptySet = false;
    };
    // A failed direct print is aborted: the printer must not put out the part printed
    // before the failure as if it were the whole document.
    auto endDocument = [this](bool failed) {
        if (FVRPrinter->Status() != mpBusy) return;
        if (Cancelled() || !FTarget->KeepsPages() ||
            (failed && FVRPrinter->Destination() == vrdPrinter))
            FVRPrinter->AbortDoc();
        else
            FVRPrinter->EndDoc();
    };

    try {
        FReport.CopySettingsToPrinter(*FVRPrinter);
        FVRPrinter->BeginDoc();
        FCurrentColumn = FPage.Columns();
        FTarget->StartDocument(Round(FPage.NativeWidth()), Round(FPage.NativeLength()),
                               FReport.Font);
        FPageFooterSize = PageFooterSize();
        // The footer has its place at the bottom of every page; where it reaches above
        // the top margin, no page can hold it.
        if (Round(FPageFooterSize) >
            Round(FPage.NativeLength() - FPage.NativeTopMargin() - FPage.NativeBottomMargin()))
            throw Exception(QStringLiteral(
                "The page footer is taller than the page's space between its margins"));
        for (TVRCustomBand* band : FReport.BandList()) band->SetParentReport();
        FCurrentX = Round(FPage.NativeLeftMargin());
        FReport.ForEachPrintable([](TVRPrintable& printable) { printable.Prepare(); });
        prepared = true;

        Execute();

        FCurrentX = Round(FPage.NativeLeftMargin());
        FLastPage = true;
        if (!Cancelled()) EndPage();
        FTarget->FinishDocument();
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
}

void TVRReportRun::TakeWindowMessages() {
    if (FMessagesTaken.isValid() && FMessagesTaken.elapsed() < kMessageIntervalMs) return;
    QCoreApplication::processEvents();
    FMessagesTaken.start();
}

double TVRReportRun::PageFooterSize() const {
    double size = 0;
    for (TVRCustomBand* band : FReport.BandList()) {
        if (band->BandType() != rbPageFooter || !band->Enabled) continue;
        size += band->Size().NativeHeight();
        if (band->ChildBand && band->ChildBand->Enabled)
            size += band->ChildBand->Size().NativeHeight();
    }
    return size;
}

// ---- Detail iteration --------------------------------------------------------------

void TVRReportRun::Execute() {
    FColumnHeaders.clear();
    for (TVRCustomBand* band : FReport.BandList())
        if (band->BandType() == rbColumnHeader && band->Enabled) {
            FColumnHeaders.append(band);
            break;
        }

    TVRDataSet* dataSet = FReport.DataSet && FReport.DataSet->Active() ? FReport.DataSet : nullptr;
    if (!dataSet && !FReport.OnNeedData) {
        if (FReport.PrintIfEmpty) PrintEmptySet();
        return;
    }

    bool moreData = true;
    if (dataSet) {
        dataSet->First();
        moreData = !dataSet->Eof();
        FRecordCount = FReport.CountRecords();
        if (!moreData && FReport.PrintIfEmpty) PrintEmptySet();
    } else {
        FReport.OnNeedData(FReport, moreData);
    }
    FDetailNumber = 0;
    if (!moreData) return;

    TakeWindowMessages();
    if (Cancelled()) return;

    PrintBand(FReport.BandOfType(rbTitle));
    if (FPagecount < 2) PrintFirstColumnHeaders();

    TVRCustomBand* detail = FReport.BandOfType(rbDetail);
    while (moreData) {
        TakeWindowMessages();
        if (FVRPrinter->Cancelled()) break;
        ++FDetailNumber;
        PrintBand(detail);
        if (dataSet) {
            dataSet->Next();
            moreData = !dataSet->Eof();
        } else {
            moreData = true;
            FReport.OnNeedData(FReport, moreData);
        }
        FVRPrinter->SetProgress(FDetailNumber * 100 / std::max(1, FRecordCount));
        moreData = moreData && !FReport.UserCancel;
        if (FReport.PagesInPreview > 0) moreData = moreData && FReport.PagesInPreview >= FVRPrinter->PageNumber();
    }
    FVRPrinter->SetProgress(100);
    if (Cancelled()) return;

    if (TVRCustomBand* summary = FReport.BandOfType(rbSummary)) {
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
void TVRReportRun::PrintFirstColumnHeaders() {
    for (TVRCustomBand* header : FColumnHeaders) {
        const int printsBefore = FColumnHeaderPrints;
        if (!MakeSpace(header) && FColumnHeaderPrints != printsBefore) continue;
        if (Cancelled()) return;
        ++FPageEdge;
        const auto leaveEdge = qScopeGuard([this] { --FPageEdge; });
        PrintBand(header);
    }
}

void TVRReportRun::PrintEmptySet() {
    FInEmptySet = true;
    PrintBand(FReport.BandOfType(rbTitle));
    PrintBand(FReport.BandOfType(rbDetail));
    PrintBand(FReport.BandOfType(rbSummary));
    FInEmptySet = false;
}
