#pragma once

#include <QObject>
#include <array>
#include <optional>

#include "core/Colors.h"
#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/canvas/TVRShapeGraphic.h"
#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/model/TVRFrame.h"
#include "report_engine/model/TVRPrintTarget.h"

class TCustomVRReport;
class TVRCustomBand;
class TVRPrinter;

// Geometry of a control: Height, Left, Top, Width (the order of the stored "Values"
// list), native units, Left and Top relative to the band (or to the page for a control
// placed directly on the report). The plain accessors read and write in the report's
// Units; the Native ones are what printing uses.
class TVRPrintableSize {
public:
    explicit TVRPrintableSize(const QObject* owner) : FOwner(owner) {}

    double Height() const;
    double Left() const;
    double Top() const;
    double Width() const;
    void SetHeight(double value);
    void SetLeft(double value);
    void SetTop(double value);
    void SetWidth(double value);

    double NativeHeight() const { return FHeight; }
    double NativeLeft() const { return FLeft; }
    double NativeTop() const { return FTop; }
    double NativeWidth() const { return FWidth; }
    void SetNativeHeight(double value) { FHeight = value; }
    void SetNativeLeft(double value) { FLeft = value; }
    void SetNativeTop(double value) { FTop = value; }
    void SetNativeWidth(double value) { FWidth = value; }
    // Left, top, width, height at once, native.
    void SetNative(double left, double top, double width, double height);

    std::array<double, 4> Values() const { return {FHeight, FLeft, FTop, FWidth}; }
    void SetValues(const std::array<double, 4>& values);

private:
    const QObject* FOwner;
    double FHeight = 0;
    double FLeft = 0;
    double FTop = 0;
    double FWidth = 0;
};

// Base of every control a band (or the report itself) prints. The band sees a control
// only through Prepare, Print and UnPrepare; a control draws through the run's print
// target, whatever that target does with it.
class TVRPrintable : public QObject {
    Q_OBJECT

public:
    explicit TVRPrintable(QObject* parent = nullptr);
    ~TVRPrintable() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    TVRPrintableSize& Size() { return FSize; }
    const TVRPrintableSize& Size() const { return FSize; }
    // The design-view bounds in screen pixels at the report's zoom, derived from Size,
    // unless set directly (a control handed to an export filter outside a run).
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetPixelBounds(int left, int top, int width, int height);
    void ClearPixelBounds() { FHasPixelBounds = false; }
    bool HasPixelBounds() const { return FHasPixelBounds; }

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment alignment) { FAlignment = alignment; }
    bool AlignToBand = false;
    TVRFrame& Frame() { return FFrame; }
    const TVRFrame& Frame() const { return FFrame; }
    TColor Color = clWhite;
    bool Enabled = true;
    TExportType ExportAs = exptText;
    int XLColumn = 0;
    TXLNumFormat XLNumFormat = nfGeneral;
    bool ActiveInPreview = true;
    int Tag = 0;

    // The band holding the control (none for a control placed on the report).
    TVRCustomBand* ParentBand() const;
    TCustomVRReport* ParentReport() const;

    virtual bool IsEnabled() const { return Enabled; }
    // Takes the run's page printer (its units) and print target.
    virtual void Prepare();
    // Prints at the band's position (native units, page coordinates).
    virtual void Print(int ofsX, int ofsY) = 0;
    virtual void UnPrepare();
    // The height the control needs beyond its box, native (0 unless it stretches).
    virtual double GetExpandedHeight() { return 0; }
    bool PrintFinished() const { return FPrintFinished; }
    // What a stretching control still has to print (text lines), for the band to see
    // whether continuing on a new page gets anywhere.
    virtual int PendingParts() const { return 0; }
    // The band gave up on the parts still to print; the next Print starts afresh.
    void DropPendingParts() { FPrintFinished = true; }
    // A line the band draws its whole printed height instead of printing the control
    // in its box; none for most controls.
    virtual std::optional<TVRShapeGraphic> FullHeightLine() const { return std::nullopt; }
    // The picture a picture control shows, for a report that names the control as its
    // page background; null for every other control.
    virtual const QImage* PageBackground() const { return nullptr; }

protected:
    TVRPrinter* Printer() const { return FVRPrinter; }
    // The device box of the control at a band position: XPos/YPos of its edges.
    TRect DeviceBox(int ofsX, int ofsY) const;

    // The report, its page printer and the run's target, taken by Prepare for the run.
    TCustomVRReport* FReport = nullptr;
    TVRPrinter* FVRPrinter = nullptr;
    TVRPrintTarget* FTarget = nullptr;
    bool FPrintFinished = true;

private:
    TVRPrintableSize FSize{this};
    TAlignment FAlignment = taLeftJustify;
    TVRFrame FFrame;
    bool FHasPixelBounds = false;
    int FPixelLeft = 0;
    int FPixelTop = 0;
    int FPixelWidth = 0;
    int FPixelHeight = 0;
};
