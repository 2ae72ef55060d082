#include "report_engine/base/TVRUnits.h"

#include "report_engine/base/Rounding.h"

double NativeToUnits(double native, const TVRUnitScale& scale, bool vertical) {
    switch (scale.Unit) {
        case TVRUnit::MM:
            return native / 10;
        case TVRUnit::Inches:
            return native / 254;
        case TVRUnit::Pixels:
            return native / (254 / scale.Resolution) * scale.Zoom / 100;
        case TVRUnit::Characters:
            return native / (vertical ? scale.CharHeight : scale.CharWidth) / 10;
        case TVRUnit::Native:
            break;
    }
    return native;
}

double UnitsToNative(double value, const TVRUnitScale& scale, bool vertical) {
    switch (scale.Unit) {
        case TVRUnit::MM:
            return value * 10;
        case TVRUnit::Inches:
            return value * 254;
        case TVRUnit::Pixels:
            return value * (254 / scale.Resolution) / scale.Zoom * 100;
        case TVRUnit::Characters:
            return value * (vertical ? scale.CharHeight : scale.CharWidth) * 10;
        case TVRUnit::Native:
            break;
    }
    return value;
}

int NativeToPixels(double native, int zoom) {
    return Round(native * ScreenDPI / 254.0 * zoom / 100.0);
}

double PixelsToNative(double pixels, int zoom) {
    return pixels * 254.0 / ScreenDPI * 100.0 / zoom;
}
