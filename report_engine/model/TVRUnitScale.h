#pragma once

#include "report_engine/base/TVRUnits.h"

class QObject;

// The scale of the report that holds `component` (walking up its parents); native
// units when it lies on no report.
TVRUnitScale UnitScaleOf(const QObject* component);
