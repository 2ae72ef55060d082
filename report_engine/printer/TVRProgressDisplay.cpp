#include "report_engine/printer/TVRProgressDisplay.h"

namespace {
TVRProgressDisplay::Maker& InstalledMaker() {
    static TVRProgressDisplay::Maker maker;
    return maker;
}
}  // namespace

void TVRProgressDisplay::SetMaker(Maker maker) {
    InstalledMaker() = std::move(maker);
}

std::unique_ptr<TVRProgressDisplay> TVRProgressDisplay::Open(TVRPrinter& printer,
                                                             TVRPrinterOwner* report,
                                                             const QString& caption) {
    const Maker& maker = InstalledMaker();
    if (!maker) return nullptr;
    std::unique_ptr<TVRProgressDisplay> display = maker(printer, report, caption);
    if (display) display->Show();
    return display;
}

std::unique_ptr<TVRProgressDisplay> TVRProgressDisplay::OpenLater(TVRPrinter& printer,
                                                                  TVRPrinterOwner* report,
                                                                  const QString& caption,
                                                                  int milliseconds) {
    const Maker& maker = InstalledMaker();
    if (!maker) return nullptr;
    std::unique_ptr<TVRProgressDisplay> display = maker(printer, report, caption);
    if (display) display->ShowAfter(milliseconds);
    return display;
}
