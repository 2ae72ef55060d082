#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>

#include "core/Colors.h"
#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/model/TVRFrame.h"

class TCustomVRReport;
class TVRPrintable;

enum TVRBandType {
    rbTitle,
    rbPageHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbColumnHeader,
    rbOverlay,
    rbWild,
    rbChild
};

// "Page Header", "Detail", ...: the type's name as designers and the HTML band marker
// show it.
QString BandTypeName(TVRBandType type);
// "PageHeaderBand", "DetailBand", ...: the stem of a new band's component name.
QString BandComponentName(TVRBandType type);

// Geometry of a band: Height then Width (the stored "Values" order), native units. The
// plain accessors use the report's Units.
class TVRBandSize {
public:
    explicit TVRBandSize(const QObject* owner) : FOwner(owner) {}

    double Height() const;
    double Width() const;
    void SetHeight(double value);
    void SetWidth(double value);

    double NativeHeight() const { return FHeight; }
    double NativeWidth() const { return FWidth; }
    void SetNativeHeight(double value) { FHeight = value; }
    void SetNativeWidth(double value) { FWidth = value; }

    std::array<double, 2> Values() const { return {FHeight, FWidth}; }
    void SetValues(const std::array<double, 2>& values);

private:
    const QObject* FOwner;
    double FHeight = 0;
    double FWidth = 0;
};

// A band of a report: a strip of the page printed as a whole with the controls it
// holds (its QObject children, printed in child order). The report decides where a
// band goes; the band fills its background, prints its controls, grows for stretching
// controls and draws its frame.
class TVRCustomBand : public QObject {
    Q_OBJECT

public:
    using TBeforePrintEvent = std::function<void(TVRCustomBand& sender, bool& printBand)>;
    using TAfterPrintEvent = std::function<void(TVRCustomBand& sender, bool bandPrinted)>;

    explicit TVRCustomBand(QObject* parent = nullptr, TVRBandType type = rbDetail);
    ~TVRCustomBand() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    TVRBandType BandType() const { return FBandType; }
    void SetBandType(TVRBandType type) { FBandType = type; }
    QString BandTypeName() const { return ::BandTypeName(FBandType); }
    QString BandComponentName() const { return ::BandComponentName(FBandType); }

    TVRBandSize& Size() { return FSize; }
    const TVRBandSize& Size() const { return FSize; }
    TVRFrame& Frame() { return FFrame; }
    const TVRFrame& Frame() const { return FFrame; }

    TColor Color = clWhite;
    bool Enabled = true;
    bool TransparentBand = false;
    bool ForceNewPage = false;
    bool ForceNewColumn = false;
    bool AlignToBottom = false;
    bool KeepOnOnePage = false;
    bool PreCalculateBandHeight = false;
    // A band printed right after this one and kept with it by the space test.
    TVRCustomBand* LinkBand = nullptr;
    // A band of type rbChild printed with this one, before it when its
    // PrintBeforeParent is set, else after it.
    TVRCustomBand* ChildBand = nullptr;
    bool PrintBeforeParent = false;

    TBeforePrintEvent BeforePrint;
    TAfterPrintEvent AfterPrint;

    TCustomVRReport* ParentReport() const;
    // The printable controls of the band in child order.
    QList<TVRPrintable*> Printables() const;
    // At the start of a run: the band notes its report's run and its controls (controls
    // are not added or removed while a run prints).
    void SetParentReport();
    const QList<TVRPrintable*>& RunPrintables() const { return FRunPrintables; }

    // Print-time state: the band's device rectangle on the current page and the extra
    // native height stretching controls gained.
    TRect BandFrameRect;
    double Expanded() const { return FExpanded; }
    void SetExpanded(double expanded) { FExpanded = expanded; }

    // Stretching controls: whether the page still has room for the band grown by h,
    // and growing it. `needed` is how far below its own box the asking control has to
    // reach; controls share the growth, so a line that fits in a growth made by another
    // control does not grow the band. Returns the band's expansion afterwards.
    bool CanExpand(double h) const;
    double ExpandBand(double needed);

    // The band's height with its growth from stretching controls.
    double ExpandedHeight();

private:
    TVRBandType FBandType;
    TVRBandSize FSize{this};
    TVRFrame FFrame;
    double FExpanded = 0;
    QList<TVRPrintable*> FRunPrintables;
};

class TVRBand : public TVRCustomBand {
    Q_OBJECT

public:
    explicit TVRBand(QObject* parent = nullptr, TVRBandType type = rbDetail)
        : TVRCustomBand(parent, type) {}
};
