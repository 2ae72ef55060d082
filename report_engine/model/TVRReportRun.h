#pragma once

#include <QElapsedTimer>
#include <QList>

#include "report_engine/canvas/TVRCanvas.h"

class TCustomVRReport;
class TVRCustomBand;
class TVRFrame;
class TVRPage;
class TVRPrintable;
class TVRPrinter;
class TVRPrintTarget;
struct TVRPrinterSettings;

// One run of a report: the bands laid out page by page over the record set (one detail
// band per record, or the empty-set bands), the summary, and the pages' starts and
// ends, all drawn through the run's print target. The run holds everything that
// changes while it goes; the report holds its definition and refuses a second run
// while one is under way. A run serves once; afterwards its counters stay readable
// (the report answers from them until the next run) but it has no target or printer.
class TVRReportRun {
public:
    TVRReportRun(TCustomVRReport& report, TVRPrinter& printer, TVRPrintTarget& target);
    TVRReportRun(const TVRReportRun&) = delete;
    TVRReportRun& operator=(const TVRReportRun&) = delete;

    // From the printer document's start to its end, whatever ends the run.
    void Run();
    // The target and printer are the caller's again.
    void Detach();

    TVRPrintTarget* Target() const { return FTarget; }
    int PageCount() const { return FPagecount; }
    int CurrentColumn() const { return FCurrentColumn; }
    int CurrentX() const { return FCurrentX; }
    int CurrentY() const { return FCurrentY; }
    int DetailNumber() const { return FDetailNumber; }
    int RecordCount() const { return FRecordCount; }
    TVRCustomBand* PrintingBand() const { return FPrintingBand; }
    bool PrintingEmptySet() const { return FInEmptySet; }
    // Space left for bands on the current page, native; 0 outside a page.
    int AvailableSpace() const;

private:
    // The document, the detail iteration (TVRReportRun.cpp).
    void Execute();
    void PrintEmptySet();
    void PrintFirstColumnHeaders();
    // Lets window messages (a Cancel, a closing preview) through between records: at
    // the first record, then at most every kMessageIntervalMs. Asking the event loop
    // for each of a hundred thousand records cost the run a tenth of its time.
    void TakeWindowMessages();
    double PageFooterSize() const;
    bool Cancelled() const;

    // Pagination (TVRReportPagination.cpp).
    double VerticalPaperExtent() const;
    bool MakeSpace(TVRCustomBand* band);
    bool RowByRow() const;
    int ColumnWidth() const;
    void NextRowColumn(int rowTop);
    void CloseRow();
    void NewColumn();
    void PrintColumnHeaders();
    void NewPage(bool printColumnHeaders);
    void EndPage();

    // Printing a band (TVRBandPrinting.cpp).
    void PrintBand(TVRCustomBand* band);
    void PrintChildBand(TVRCustomBand* child);
    TRect BandRect(TVRCustomBand* band, double height) const;
    void PrintBandContents(TVRCustomBand* band);
    void PrintFullHeightLines(TVRCustomBand* band, const TRect& rect);

    TCustomVRReport& FReport;
    TVRPage& FPage;
    const TVRFrame& FFrame;
    const TVRPrinterSettings& FPrinterSettings;
    TVRPrinter* FVRPrinter;
    TVRPrintTarget* FTarget;

    int FCurrentX = 0;
    int FCurrentY = -1;
    int FPagecount = 0;
    int FCurrentColumn = 1;
    int FColumnTopPosition = 0;
    double FPageFooterSize = 0;
    bool FLastPage = false;
    int FDetailNumber = 0;
    int FDetailsPrinted = 0;
    int FRecordCount = 1;
    bool FInEmptySet = false;
    bool FSkipSpaceTest = false;
    // Above 0 while the bands that start or end a page print (page header, column
    // headers, page footer, their child bands): their place is on this page, so they
    // never move to another column or page, which would start or end a page again.
    int FPageEdge = 0;
    int FPrintingChild = 0;
    // Bottom of the row of detail bands printed across the columns so far; -1 when no
    // row is open.
    int FRowBottom = -1;
    // Counts the times a page or column start printed the column headers.
    int FColumnHeaderPrints = 0;
    TVRCustomBand* FPrintingBand = nullptr;
    TVRPrintable* FBackImage = nullptr;  // the page background picture
    QList<TVRCustomBand*> FColumnHeaders;
    static constexpr int kMessageIntervalMs = 10;
    QElapsedTimer FMessagesTaken;
};
