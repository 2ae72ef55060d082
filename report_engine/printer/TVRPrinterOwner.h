#pragma once

struct TVRPrinterSettings;
class TVRExportFilter;
class QPrinter;

// What a page printer needs from the report that owns its run. The report implements
// it. A printer without an owner holds pages loaded from a file; a report's printer
// that loads a file keeps its owner, which still frees it when the preview closes.
class TVRPrinterOwner {
public:
    virtual ~TVRPrinterOwner() = default;

    // The report's printer settings; printing reads the page range from here and
    // resets it afterwards.
    virtual TVRPrinterSettings& PrinterSettings() = 0;
    // Whether a progress window shows while printing.
    virtual bool ShowProgress() const = 0;
    // False while the report runs into an export filter: the page printer only lends
    // that run its units, and the pages it stored are not kept.
    virtual bool KeepsRunPages() const = 0;
    // Runs the report once more into the given export filter.
    virtual void ExportToFilter(TVRExportFilter& filter) = 0;
    // Runs the report once more straight to the printer (asked for by a posted call).
    virtual void PrintAgain() = 0;
    // The preview that showed this printer's pages closed: the report cancels a
    // running run, or frees its page printer and the pages.
    virtual void PreviewClosed() = 0;
    // The user pressed Cancel in the progress window.
    virtual void CancelByUser() = 0;
    // After the stored pages have been printed.
    virtual void AfterPrint() {}
    // A report may take over applying its settings to the printer; true when it did.
    virtual bool ApplyPrinterSettings(QPrinter& printer) { return false; }
};
