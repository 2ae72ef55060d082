#include "report_engine/model/TVRUnitScale.h"

#include <algorithm>

#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/model/TVRReport.h"

TVRUnitScale UnitScaleOf(const QObject* component) {
    TVRUnitScale scale;
    for (const QObject* object = component; object; object = object->parent()) {
        const auto* report = qobject_cast<const TCustomVRReport*>(object);
        if (!report) continue;
        scale.Unit = report->Units();
        scale.Zoom = report->Zoom;
        if (scale.Unit == TVRUnit::Characters) {
            // The average character width of the report font, and its height.
            const TVRFontMetrics& metrics = TextMeasure::Metrics(report->Font);
            const QString alphabet =
                QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
            const double pixelWidth = metrics.Extent(alphabet).width() / double(alphabet.size());
            scale.CharWidth = std::max(1e-6, pixelWidth * 254.0 / ScreenDPI / 10);
            scale.CharHeight = std::max(1e-6, metrics.Height() * 254.0 / ScreenDPI / 10);
        }
        break;
    }
    return scale;
}
