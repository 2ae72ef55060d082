#include "report_engine/printer/TVRPrinterSettings.h"

#include <QPageSize>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// The driver code for the user-defined paper size.
constexpr int customPaperCode = 256;

QPrinter::PaperSource PaperSourceOf(TVRBin bin) {
    // QPrinter's sources follow the drivers' bin codes, one below them.
    return QPrinter::PaperSource(int(bin));
}

QPrinter::DuplexMode DuplexModeOf(int deviceCode) {
    switch (deviceCode) {
        case 2:
            return QPrinter::DuplexLongSide;  // vertical
        case 3:
            return QPrinter::DuplexShortSide;  // horizontal
        default:
            return QPrinter::DuplexNone;
    }
}

QPageSize PageSizeOf(const TVRPrinterSettings& settings) {
    if (settings.PaperSize == TVRPaperSize::Custom || settings.PaperSize == TVRPaperSize::Default) {
        return QPageSize(QSizeF(settings.PaperWidth / 10.0, settings.PaperLength / 10.0),
                         QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    }
    const QPageSize::PageSizeId id = QPageSize::id(DevicePaperCode(settings));
    if (id != QPageSize::Custom) return QPageSize(id);
    const auto dimensions = PaperDimensions(settings.PaperSize);
    const double width = dimensions ? dimensions->Width : settings.PaperWidth / 10.0;
    const double length = dimensions ? dimensions->Length : settings.PaperLength / 10.0;
    return QPageSize(QSizeF(width, length), QPageSize::Millimeter, QString(),
                     QPageSize::FuzzyMatch);
}

// Dots per inch a print quality stands for, when no resolution was chosen; 0 leaves
// the printer's own.
int ResolutionOf(TVRPrintQuality quality) {
    switch (quality) {
        case pqHigh:
            return 600;
        case pqMedium:
            return 300;
        case pqLow:
            return 150;
        case pqDraft:
            return 75;
        default:
            return 0;
    }
}

}  // namespace

int DeviceBinCode(const TVRPrinterSettings& settings) {
    if (settings.UseCustomBinCode) return settings.CustomBinCode;
    switch (settings.OutputBin) {
        case TVRBin::Cassette:
            return 14;
        case TVRBin::FormSource:
            return 15;
        default:
            return int(settings.OutputBin) + 1;
    }
}

int DevicePaperCode(const TVRPrinterSettings& settings) {
    if (settings.UseCustomPaperCode) return settings.CustomPaperCode;
    if (settings.PaperSize == TVRPaperSize::Custom) return customPaperCode;
    return int(settings.PaperSize);
}

QStringList PrintJobOptions(const QPrinter& printer) {
    return printer.printEngine()
        ->property(QPrintEngine::PrintEnginePropertyKey(PrintJobOptionsKey))
        .toStringList();
}

int DeviceDuplexCode(const TVRPrinterSettings& settings) {
    if (settings.ExtendedDuplex != 0) return settings.ExtendedDuplex;
    return settings.Duplex ? 3 : 1;
}

double PaperWidthValue(const TVRPrinterSettings& settings) {
    const auto dimensions = PaperDimensions(settings.PaperSize);
    const double width = dimensions ? dimensions->Width * 10 : settings.PaperWidth;
    const double length = dimensions ? dimensions->Length * 10 : settings.PaperLength;
    return settings.Orientation == poLandscape ? length : width;
}

double PaperLengthValue(const TVRPrinterSettings& settings) {
    const auto dimensions = PaperDimensions(settings.PaperSize);
    const double width = dimensions ? dimensions->Width * 10 : settings.PaperWidth;
    const double length = dimensions ? dimensions->Length * 10 : settings.PaperLength;
    return settings.Orientation == poLandscape ? width : length;
}

void ApplyPrinterSettings(const TVRPrinterSettings& settings, QPrinter& printer) {
    // First: a file changes the printer's engine, which the settings below then reach.
    if (!settings.OutputFileName.isEmpty()) printer.setOutputFileName(settings.OutputFileName);
    printer.setPageSize(PageSizeOf(settings));
    printer.setPageOrientation(settings.Orientation == poLandscape ? QPageLayout::Landscape
                                                                   : QPageLayout::Portrait);
    printer.setCopyCount(qMax(1, settings.Copies));
    printer.setCollateCopies(settings.Collate);
    if (settings.ColorOption != coDefault)
        printer.setColorMode(settings.ColorOption == coMonochrome ? QPrinter::GrayScale
                                                                  : QPrinter::Color);
    const int resolution =
        settings.Resolution > 0 ? settings.Resolution : ResolutionOf(settings.PrintQuality);
    if (resolution > 0) printer.setResolution(resolution);
    if (!settings.JobOptions.isEmpty())
        printer.printEngine()->setProperty(QPrintEngine::PrintEnginePropertyKey(PrintJobOptionsKey),
                                           settings.JobOptions);

    // Duplex and paper source only where the device offers them; a file printer has
    // neither.
    const QPrinterInfo device(printer);
    if (device.isNull()) return;
    const QPrinter::DuplexMode duplex = DuplexModeOf(DeviceDuplexCode(settings));
    if (device.supportedDuplexModes().contains(duplex)) printer.setDuplex(duplex);
    // A custom bin code has no counterpart in QPrinter; the driver's default bin stays.
    if (!settings.UseCustomBinCode) printer.setPaperSource(PaperSourceOf(settings.OutputBin));
}
