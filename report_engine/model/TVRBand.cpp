#include "report_engine/model/TVRBand.h"

#include <algorithm>
#include <array>

#include "report_engine/base/Rounding.h"
#include "report_engine/model/TVRPrintable.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/model/TVRUnitScale.h"

namespace {
struct BandTypeNames {
    const char* TypeName;
    const char* ComponentName;
};

constexpr std::array<BandTypeNames, 12> Names{{
    {"Title", "TitleBand"},
    {"Page Header", "PageHeaderBand"},
    {"Detail", "DetailBand"},
    {"Page Footer", "PageFooterBand"},
    {"Summary", "SummaryBand"},
    {"Group Header", "GroupHeaderBand"},
    {"Group Footer", "GroupFooterBand"},
    {"Sub Detail", "SubDetailBand"},
    {"Column Header", "ColumnHeaderBand"},
    {"Overlay", "OverlayBand"},
    {"Wild", "WildBand"},
    {"Child", "ChildBand"},
}};
}  // namespace

QString BandTypeName(TVRBandType type) {
    return QString::fromLatin1(Names.at(type).TypeName);
}

QString BandComponentName(TVRBandType type) {
    return QString::fromLatin1(Names.at(type).ComponentName);
}

double TVRBandSize::Height() const {
    return NativeToUnits(FHeight, UnitScaleOf(FOwner), true);
}
double TVRBandSize::Width() const {
    return NativeToUnits(FWidth, UnitScaleOf(FOwner), false);
}
void TVRBandSize::SetHeight(double value) {
    FHeight = UnitsToNative(value, UnitScaleOf(FOwner), true);
}
void TVRBandSize::SetWidth(double value) {
    FWidth = UnitsToNative(value, UnitScaleOf(FOwner), false);
}
void TVRBandSize::SetValues(const std::array<double, 2>& values) {
    FHeight = values[0];
    FWidth = values[1];
}

TVRCustomBand::TVRCustomBand(QObject* parent, TVRBandType type)
    : QObject(parent), FBandType(type) {}

TVRCustomBand::~TVRCustomBand() = default;

TCustomVRReport* TVRCustomBand::ParentReport() const {
    return qobject_cast<TCustomVRReport*>(parent());
}

QList<TVRPrintable*> TVRCustomBand::Printables() const {
    QList<TVRPrintable*> printables;
    for (QObject* child : children())
        if (auto* printable = qobject_cast<TVRPrintable*>(child)) printables.append(printable);
    return printables;
}

void TVRCustomBand::SetParentReport() {
    FRunPrintables = Printables();
    FExpanded = 0;
}

bool TVRCustomBand::CanExpand(double h) const {
    const TCustomVRReport* report = ParentReport();
    return report && report->AvailableSpace() >= Round(h + FSize.NativeHeight() + FExpanded);
}

double TVRCustomBand::ExpandBand(double needed) {
    if (needed > FExpanded && CanExpand(needed - FExpanded)) FExpanded = needed;
    return FExpanded;
}

double TVRCustomBand::ExpandedHeight() {
    double expansion = 0;
    for (TVRPrintable* printable : FRunPrintables)
        if (printable->IsEnabled()) expansion = std::max(expansion, printable->GetExpandedHeight());
    return FSize.NativeHeight() + expansion;
}
