#pragma once

#include <array>

#include "report_engine/printer/TVRPaper.h"

class QObject;
struct TVRPrinterSettings;

enum TVRPrintOrder { ColByCol, RowByRow };

// The page of a report: paper, margins and columns. Every length is native (tenths of a
// millimetre) and measured on the paper as it lies; margins are part of the page. The
// plain accessors read and write in the report's Units, the Native ones do not.
class TVRPage {
public:
    // `owner` is the report (for its Units); `settings` the report's printer settings,
    // which follow the page's orientation.
    TVRPage(const QObject* owner, TVRPrinterSettings* settings);

    TVRPaperSize PaperSize() const { return FPaperSize; }
    // A named size sets Width and Length from the paper table (swapped in landscape).
    void SetPaperSize(TVRPaperSize size);
    TPrinterOrientation Orientation() const { return FOrientation; }
    // Custom pages swap Width and Length; named sizes are applied afresh.
    void SetOrientation(TPrinterOrientation orientation);

    double NativeWidth() const { return FWidth; }
    double NativeLength() const { return FLength; }
    // Ignored unless the paper size is Custom.
    void SetNativeWidth(double value);
    void SetNativeLength(double value);
    double NativeTopMargin() const { return FTopMargin; }
    double NativeBottomMargin() const { return FBottomMargin; }
    double NativeLeftMargin() const { return FLeftMargin; }
    double NativeRightMargin() const { return FRightMargin; }
    double NativeColumnSpace() const { return FColumnSpace; }
    void SetNativeTopMargin(double value) { FTopMargin = value; }
    void SetNativeBottomMargin(double value) { FBottomMargin = value; }
    void SetNativeLeftMargin(double value) { FLeftMargin = value; }
    void SetNativeRightMargin(double value) { FRightMargin = value; }
    void SetNativeColumnSpace(double value) { FColumnSpace = value; }

    double Width() const;
    double Length() const;
    double TopMargin() const;
    double BottomMargin() const;
    double LeftMargin() const;
    double RightMargin() const;
    double ColumnSpace() const;
    void SetWidth(double value);
    void SetLength(double value);
    void SetTopMargin(double value);
    void SetBottomMargin(double value);
    void SetLeftMargin(double value);
    void SetRightMargin(double value);
    void SetColumnSpace(double value);

    int Columns() const { return FColumns; }
    void SetColumns(int columns) { FColumns = columns < 1 ? 1 : columns; }
    TVRPrintOrder PrintOrder = ColByCol;
    bool Ruler = false;
    bool Continuous = false;

    // BottomMargin, Length, TopMargin, Width, LeftMargin, RightMargin, ColumnSpace: the
    // stored "Values" list.
    std::array<double, 7> Values() const;
    void SetValues(const std::array<double, 7>& values);

    // Resets impossible margins: horizontal ones when they leave no width, vertical
    // ones when they leave no length.
    void ClampMargins();

private:
    void ApplyPaperSize();

    const QObject* FOwner;
    TVRPrinterSettings* FSettings;
    TVRPaperSize FPaperSize = TVRPaperSize::A4;
    TPrinterOrientation FOrientation = poPortrait;
    double FBottomMargin = 0;
    double FLength = 2970;
    double FTopMargin = 0;
    double FWidth = 2100;
    double FLeftMargin = 0;
    double FRightMargin = 0;
    double FColumnSpace = 0;
    int FColumns = 1;
};
