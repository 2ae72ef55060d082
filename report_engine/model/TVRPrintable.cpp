#include "report_engine/model/TVRPrintable.h"

#include "report_engine/base/Rounding.h"
#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/model/TVRUnitScale.h"
#include "report_engine/printer/TVRPrinter.h"

double TVRPrintableSize::Height() const {
    return NativeToUnits(FHeight, UnitScaleOf(FOwner), true);
}
double TVRPrintableSize::Left() const {
    return NativeToUnits(FLeft, UnitScaleOf(FOwner), false);
}
double TVRPrintableSize::Top() const {
    return NativeToUnits(FTop, UnitScaleOf(FOwner), true);
}
double TVRPrintableSize::Width() const {
    return NativeToUnits(FWidth, UnitScaleOf(FOwner), false);
}
void TVRPrintableSize::SetHeight(double value) {
    FHeight = UnitsToNative(value, UnitScaleOf(FOwner), true);
}
void TVRPrintableSize::SetLeft(double value) {
    FLeft = UnitsToNative(value, UnitScaleOf(FOwner), false);
}
void TVRPrintableSize::SetTop(double value) {
    FTop = UnitsToNative(value, UnitScaleOf(FOwner), true);
}
void TVRPrintableSize::SetWidth(double value) {
    FWidth = UnitsToNative(value, UnitScaleOf(FOwner), false);
}

void TVRPrintableSize::SetNative(double left, double top, double width, double height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
}

void TVRPrintableSize::SetValues(const std::array<double, 4>& values) {
    FHeight = values[0];
    FLeft = values[1];
    FTop = values[2];
    FWidth = values[3];
}

TVRPrintable::TVRPrintable(QObject* parent) : QObject(parent) {}
TVRPrintable::~TVRPrintable() = default;

static int ReportZoom(const TVRPrintable& control) {
    const TCustomVRReport* report = control.ParentReport();
    return report ? report->Zoom : 100;
}

int TVRPrintable::Left() const {
    return FHasPixelBounds ? FPixelLeft : NativeToPixels(FSize.NativeLeft(), ReportZoom(*this));
}
int TVRPrintable::Top() const {
    return FHasPixelBounds ? FPixelTop : NativeToPixels(FSize.NativeTop(), ReportZoom(*this));
}
int TVRPrintable::Width() const {
    return FHasPixelBounds ? FPixelWidth : NativeToPixels(FSize.NativeWidth(), ReportZoom(*this));
}
int TVRPrintable::Height() const {
    return FHasPixelBounds ? FPixelHeight : NativeToPixels(FSize.NativeHeight(), ReportZoom(*this));
}

void TVRPrintable::SetPixelBounds(int left, int top, int width, int height) {
    FHasPixelBounds = true;
    FPixelLeft = left;
    FPixelTop = top;
    FPixelWidth = width;
    FPixelHeight = height;
}

TVRCustomBand* TVRPrintable::ParentBand() const {
    return qobject_cast<TVRCustomBand*>(parent());
}

TCustomVRReport* TVRPrintable::ParentReport() const {
    for (QObject* object = parent(); object; object = object->parent())
        if (auto* report = qobject_cast<TCustomVRReport*>(object)) return report;
    return nullptr;
}

void TVRPrintable::Prepare() {
    FReport = ParentReport();
    FVRPrinter = FReport ? FReport->VRPrinter() : nullptr;
    FTarget = FReport ? FReport->PrintTarget() : nullptr;
    FPrintFinished = true;
}

void TVRPrintable::UnPrepare() {
    FTarget = nullptr;
    FVRPrinter = nullptr;
    FReport = nullptr;
}

TRect TVRPrintable::DeviceBox(int ofsX, int ofsY) const {
    const double left = ofsX + FSize.NativeLeft();
    const double top = ofsY + FSize.NativeTop();
    return {FVRPrinter->XPos(left), FVRPrinter->YPos(top),
            FVRPrinter->XPos(left + FSize.NativeWidth()),
            FVRPrinter->YPos(top + FSize.NativeHeight())};
}
