#pragma once

#include <QString>
#include <functional>
#include <memory>

class TVRPrinter;
class TVRPrinterOwner;

// The progress window of a print or export run, as the page printer and the report see
// it. The engine's rooms below the user interface draw no window: the program hands
// them a maker of progress windows (the ui room's InstallProgressWindow), and a run
// started while no maker is installed shows none.
class TVRProgressDisplay {
public:
    using Maker = std::function<std::unique_ptr<TVRProgressDisplay>(
        TVRPrinter& printer, TVRPrinterOwner* report, const QString& caption)>;

    virtual ~TVRProgressDisplay() = default;
    virtual void Show() = 0;
    // Shows the window once the run has lasted `milliseconds` (a short run shows none).
    virtual void ShowAfter(int milliseconds) = 0;
    virtual void Hide() = 0;

    // Installs the maker every later run uses (an empty one removes it).
    static void SetMaker(Maker maker);
    // A shown progress window, or none when no maker is installed.
    static std::unique_ptr<TVRProgressDisplay> Open(TVRPrinter& printer, TVRPrinterOwner* report,
                                                    const QString& caption);
    // The same, shown only once the run has lasted `milliseconds`.
    static std::unique_ptr<TVRProgressDisplay> OpenLater(TVRPrinter& printer,
                                                         TVRPrinterOwner* report,
                                                         const QString& caption, int milliseconds);
};
