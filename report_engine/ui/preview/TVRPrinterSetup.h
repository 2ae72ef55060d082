#pragma once

#include <QPrinter>

class QWidget;
struct TVRPrinterSettings;
class TCustomVRReport;
class TVRPrinter;

// The preview's printer setup: the system print dialog on the current printer with the
// report's orientation and copies, pages 1 to the page count (0 to 9999 while no run
// has finished) and the whole range preset. True when the user accepted; cancelling
// changes nothing.
bool RunPrinterSetup(QWidget* parent, TCustomVRReport* report, TVRPrinter& printer, int pageCount);

// What accepting the dialog stores: copies, printer and orientation into the report
// (its page takes the orientation) and the printer settings for the next print (paper
// source, duplex, quality, collation, colour, copies, orientation, printer and the page
// range: the chosen one when `pageRange`, else 0 to 0 for all); the preview's page
// printer takes the same printer, paper source, collation, colour, quality, copies,
// duplex and range.
void TakePrinterChoice(const QPrinter& chosen, bool pageRange, TCustomVRReport* report,
                       TVRPrinter& printer);

// The duplex choice of the print dialog into the settings (keeping which edge the sheet
// turns on), and back.
void TakeDuplex(QPrinter::DuplexMode mode, TVRPrinterSettings& settings);
QPrinter::DuplexMode ChosenDuplex(const TVRPrinterSettings& settings);
