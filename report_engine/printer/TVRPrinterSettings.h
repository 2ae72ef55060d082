#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "report_engine/printer/TVRPaper.h"

class QPrinter;

// Paper sources in the order of the drivers' standard bin codes (Upper = 1 ...
// LargeCapacity = 11, then Cassette = 14 and FormSource = 15).
enum class TVRBin {
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    FormSource
};

enum TVRPrintQuality { pqDefault, pqHigh, pqMedium, pqLow, pqDraft };
enum TVRColorOption { coDefault, coMonochrome, coColor };

// How a report asks to be printed: the printer, the paper and the job options. The
// report keeps one; each page printer copies it at the start of a run.
struct TVRPrinterSettings {
    int Copies = 1;
    TVRBin OutputBin = TVRBin::Auto;
    bool Duplex = false;
    int FirstPage = 0;  // 0 = from the first page
    int LastPage = 0;   // 0 = to the last page
    bool UseStandardPrinter = true;
    bool PrintMetaFile = false;    // print the stored pages instead of running again
    qint64 MemoryLimit = 1000000;  // bytes the page store keeps in memory
    TVRPrintQuality PrintQuality = pqDefault;
    bool Collate = false;
    TVRColorOption ColorOption = coDefault;
    bool UseCustomBinCode = false;
    int CustomBinCode = 0;
    bool UseCustomPaperCode = false;
    int CustomPaperCode = 0;
    int ExtendedDuplex = 0;  // a driver duplex code that overrides Duplex when not 0
    int PrinterIndex = -1;   // -1 = the system's default printer
    // What the printer setup chose beyond the fields above, for the next print jobs:
    // the file a job printed to a file goes into (empty: the printer), the print
    // system's job options (name, value, name, value, ...: odd or even pages, pages
    // per sheet) and the resolution in dots per inch (0: the printer's own).
    QString OutputFileName;
    QStringList JobOptions;
    int Resolution = 0;

    TVRPaperSize PaperSize = TVRPaperSize::A4;
    TPrinterOrientation Orientation = poPortrait;
    // Native units (tenths of a millimetre), lying in portrait; used for Default and
    // Custom paper.
    double PaperWidth = 2100;
    double PaperLength = 2970;
};

// The driver codes the settings stand for.
int DeviceBinCode(const TVRPrinterSettings& settings);
int DevicePaperCode(const TVRPrinterSettings& settings);
int DeviceDuplexCode(const TVRPrinterSettings& settings);

// The paper as it lies on the page (native units): the table size for a named paper,
// else the settings' own width and length, swapped for landscape.
double PaperWidthValue(const TVRPrinterSettings& settings);
double PaperLengthValue(const TVRPrinterSettings& settings);

// The print system's job options a printer carries (the print dialog puts them there):
// name, value, name, value, ... Qt keeps them under this print engine property.
inline constexpr int PrintJobOptionsKey = 0xfe00;
QStringList PrintJobOptions(const QPrinter& printer);

// Hands the settings to a printer: paper (named or custom), copies, duplex, paper
// source, orientation, collation, resolution or print quality, output file and job
// options, as far as the printer supports them.
void ApplyPrinterSettings(const TVRPrinterSettings& settings, QPrinter& printer);
