#include "report_engine/model/TVRPage.h"

#include <utility>

#include "report_engine/base/TVRUnits.h"
#include "report_engine/model/TVRUnitScale.h"
#include "report_engine/printer/TVRPrinterSettings.h"

TVRPage::TVRPage(const QObject* owner, TVRPrinterSettings* settings)
    : FOwner(owner), FSettings(settings) {
    ApplyPaperSize();
}

void TVRPage::SetPaperSize(TVRPaperSize size) {
    FPaperSize = size;
    ApplyPaperSize();
}

void TVRPage::SetOrientation(TPrinterOrientation orientation) {
    if (orientation != FOrientation) {
        FOrientation = orientation;
        if (FPaperSize == TVRPaperSize::Custom)
            std::swap(FWidth, FLength);
        else
            ApplyPaperSize();
    }
    if (FSettings) FSettings->Orientation = orientation;
}

void TVRPage::ApplyPaperSize() {
    const auto dimensions = PaperDimensions(FPaperSize);
    if (!dimensions) return;
    FWidth = dimensions->Width * 10;
    FLength = dimensions->Length * 10;
    if (FOrientation == poLandscape) std::swap(FWidth, FLength);
}

void TVRPage::SetNativeWidth(double value) {
    if (FPaperSize == TVRPaperSize::Custom) FWidth = value;
}

void TVRPage::SetNativeLength(double value) {
    if (FPaperSize == TVRPaperSize::Custom) FLength = value;
}

double TVRPage::Width() const {
    return NativeToUnits(FWidth, UnitScaleOf(FOwner), false);
}
double TVRPage::Length() const {
    return NativeToUnits(FLength, UnitScaleOf(FOwner), true);
}
double TVRPage::TopMargin() const {
    return NativeToUnits(FTopMargin, UnitScaleOf(FOwner), true);
}
double TVRPage::BottomMargin() const {
    return NativeToUnits(FBottomMargin, UnitScaleOf(FOwner), true);
}
double TVRPage::LeftMargin() const {
    return NativeToUnits(FLeftMargin, UnitScaleOf(FOwner), false);
}
double TVRPage::RightMargin() const {
    return NativeToUnits(FRightMargin, UnitScaleOf(FOwner), false);
}
double TVRPage::ColumnSpace() const {
    return NativeToUnits(FColumnSpace, UnitScaleOf(FOwner), false);
}
void TVRPage::SetWidth(double value) {
    SetNativeWidth(UnitsToNative(value, UnitScaleOf(FOwner), false));
}
void TVRPage::SetLength(double value) {
    SetNativeLength(UnitsToNative(value, UnitScaleOf(FOwner), true));
}
void TVRPage::SetTopMargin(double value) {
    FTopMargin = UnitsToNative(value, UnitScaleOf(FOwner), true);
}
void TVRPage::SetBottomMargin(double value) {
    FBottomMargin = UnitsToNative(value, UnitScaleOf(FOwner), true);
}
void TVRPage::SetLeftMargin(double value) {
    FLeftMargin = UnitsToNative(value, UnitScaleOf(FOwner), false);
}
void TVRPage::SetRightMargin(double value) {
    FRightMargin = UnitsToNative(value, UnitScaleOf(FOwner), false);
}
void TVRPage::SetColumnSpace(double value) {
    FColumnSpace = UnitsToNative(value, UnitScaleOf(FOwner), false);
}

std::array<double, 7> TVRPage::Values() const {
    return {FBottomMargin, FLength, FTopMargin, FWidth, FLeftMargin, FRightMargin, FColumnSpace};
}

void TVRPage::SetValues(const std::array<double, 7>& values) {
    FBottomMargin = values[0];
    SetNativeLength(values[1]);
    FTopMargin = values[2];
    SetNativeWidth(values[3]);
    FLeftMargin = values[4];
    FRightMargin = values[5];
    FColumnSpace = values[6];
}

void TVRPage::ClampMargins() {
    if (FWidth - FLeftMargin - FRightMargin < 0) FLeftMargin = FRightMargin = 0;
    if (FLength - FTopMargin - FBottomMargin < 0) FTopMargin = FBottomMargin = 0;
}
