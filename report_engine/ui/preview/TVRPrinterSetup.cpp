#include "report_engine/ui/preview/TVRPrinterSetup.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "report_engine/model/TVRReport.h"
#include "report_engine/printer/TVRPrinter.h"

namespace {

int PrinterIndexOf(const QString& printerName) {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    for (int i = 0; i < printers.size(); ++i)
        if (printers[i].printerName() == printerName) return i;
    return -1;
}

TVRBin BinOf(QPrinter::PaperSource source) {
    switch (source) {
        case QPrinter::Upper:
            return TVRBin::Upper;
        case QPrinter::Lower:
            return TVRBin::Lower;
        case QPrinter::Middle:
            return TVRBin::Middle;
        case QPrinter::Manual:
            return TVRBin::Manual;
        case QPrinter::Envelope:
            return TVRBin::Envelope;
        case QPrinter::EnvelopeManual:
            return TVRBin::EnvManual;
        case QPrinter::Tractor:
            return TVRBin::Tractor;
        case QPrinter::SmallFormat:
            return TVRBin::SmallFormat;
        case QPrinter::LargeFormat:
            return TVRBin::LargeFormat;
        case QPrinter::LargeCapacity:
            return TVRBin::LargeCapacity;
        case QPrinter::Cassette:
            return TVRBin::Cassette;
        case QPrinter::FormSource:
            return TVRBin::FormSource;
        default:
            return TVRBin::Auto;
    }
}

// The job options the dialog chose, into one set of printer settings.
void TakeJobOptions(const QPrinter& chosen, bool pageRange, TVRPrinterSettings& settings) {
    settings.Copies = std::max(1, chosen.copyCount());
    settings.OutputBin = BinOf(chosen.paperSource());
    settings.UseCustomBinCode = false;
    TakeDuplex(chosen.duplex(), settings);
    settings.Collate = chosen.collateCopies();
    settings.ColorOption = chosen.colorMode() == QPrinter::GrayScale ? coMonochrome : coColor;
    settings.PrintQuality = chosen.resolution() >= 600 ? pqHigh : pqDefault;
    settings.Resolution = chosen.resolution();
    settings.OutputFileName =
        chosen.outputFormat() == QPrinter::PdfFormat ? chosen.outputFileName() : QString();
    settings.JobOptions = PrintJobOptions(chosen);
    const int index = PrinterIndexOf(chosen.printerName());
    settings.PrinterIndex = index;
    settings.UseStandardPrinter = index < 0;
    settings.FirstPage = pageRange ? chosen.fromPage() : 0;
    settings.LastPage = pageRange ? chosen.toPage() : 0;
}

}  // namespace

// Which edge the sheet turns on is the driver's duplex code: 2 the long edge, 3 the
// short one (what Duplex alone stands for), 1 none.
void TakeDuplex(QPrinter::DuplexMode mode, TVRPrinterSettings& settings) {
    settings.Duplex = mode != QPrinter::DuplexNone;
    settings.ExtendedDuplex = mode == QPrinter::DuplexLongSide    ? 2
                              : mode == QPrinter::DuplexShortSide ? 3
                                                                  : 0;
}

QPrinter::DuplexMode ChosenDuplex(const TVRPrinterSettings& settings) {
    switch (DeviceDuplexCode(settings)) {
        case 2:
            return QPrinter::DuplexLongSide;
        case 3:
            return QPrinter::DuplexShortSide;
        default:
            return QPrinter::DuplexNone;
    }
}

bool RunPrinterSetup(QWidget* parent, TCustomVRReport* report, TVRPrinter& printer, int pageCount) {
    QPrinter dialogPrinter(QPrinter::HighResolution);
    const int index =
        report ? report->PrinterSettings().PrinterIndex : printer.PrinterSettings().PrinterIndex;
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (index >= 0 && index < printers.size())
        dialogPrinter.setPrinterName(printers[index].printerName());
    const TPrinterOrientation orientation =
        report ? report->Page().Orientation() : printer.PrinterSettings().Orientation;
    dialogPrinter.setPageOrientation(orientation == poLandscape ? QPageLayout::Landscape
                                                                : QPageLayout::Portrait);
    const TVRPrinterSettings& current =
        report ? report->PrinterSettings() : printer.PrinterSettings();
    dialogPrinter.setCopyCount(current.Copies);
    // The dialog opens on what was chosen last.
    dialogPrinter.setDuplex(ChosenDuplex(current));
    if (!current.OutputFileName.isEmpty()) dialogPrinter.setOutputFileName(current.OutputFileName);

    QPrintDialog dialog(&dialogPrinter, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (pageCount > 0)
        dialog.setMinMax(1, pageCount);
    else
        dialog.setMinMax(0, 9999);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted) return false;
    TakePrinterChoice(dialogPrinter, dialog.printRange() == QAbstractPrintDialog::PageRange, report,
                      printer);
    return true;
}

void TakePrinterChoice(const QPrinter& chosen, bool pageRange, TCustomVRReport* report,
                       TVRPrinter& printer) {
    const TPrinterOrientation orientation =
        chosen.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    if (report) {
        TakeJobOptions(chosen, pageRange, report->PrinterSettings());
        report->PrinterSettings().Orientation = orientation;
        report->Page().SetOrientation(orientation);
    }
    TVRPrinterSettings& settings = printer.PrinterSettings();
    const TPrinterOrientation shownOrientation = settings.Orientation;
    TakeJobOptions(chosen, pageRange, settings);
    // The pages already made keep the orientation they were made with.
    settings.Orientation = shownOrientation;
    printer.SetFirstPage(settings.FirstPage);
    printer.SetLastPage(settings.LastPage);
    // The system printer object follows the choice for printing the stored pages.
    if (!chosen.printerName().isEmpty()) printer.Printer()->setPrinterName(chosen.printerName());
}
