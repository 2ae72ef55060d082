#pragma once

#include <QFlags>

// Report geometry is kept in the native unit, the tenth of a millimetre. The report's
// Units only change how the geometry properties read and write; stored values and every
// computation of a run stay native.
// Screen pixels per inch: designs, previews and recorded pages are laid out at 96 dpi.
inline constexpr double ScreenDPI = 96.0;

enum class TVRUnit { MM, Inches, Pixels, Characters, Native };

// How a page printer turns native positions into its device pixels: a factor per axis
// (device pixels per native unit), counted from the corner of the area it can print
// (the printer's unprintable margin, native).
struct TVRDeviceUnits {
    double XFactor = ScreenDPI / 254.0;
    double YFactor = ScreenDPI / 254.0;
    int LeftWaste = 0;
    int TopWaste = 0;
};

// What a conversion between native values and the report's units needs.
struct TVRUnitScale {
    TVRUnit Unit = TVRUnit::Native;
    double Resolution = 96;  // screen pixels per inch
    int Zoom = 100;          // percent
    double CharWidth = 1;    // average character width of the report font, native
    double CharHeight = 1;   // character height of the report font, native
};

double NativeToUnits(double native, const TVRUnitScale& scale, bool vertical);
double UnitsToNative(double value, const TVRUnitScale& scale, bool vertical);

// Native value to screen pixels at a zoom (the design-view bounds of bands and controls).
int NativeToPixels(double native, int zoom = 100);
double PixelsToNative(double pixels, int zoom = 100);
