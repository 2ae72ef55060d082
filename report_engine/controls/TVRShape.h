#pragma once

#include "report_engine/canvas/TVRShapeGraphic.h"
#include "report_engine/model/TVRPrintable.h"

// Rules, boxes and ellipses drawn with a pen and a brush in the control's box. A
// vertical line tagged FullHeightTag is drawn the whole height its band prints.
class TVRShape : public TVRPrintable {
    Q_OBJECT

public:
    explicit TVRShape(QObject* parent = nullptr) : TVRPrintable(parent) {}

    TVRShapeType Shape = vrsRectangle;
    TVRPen Pen;
    TVRBrush Brush;
    float RoundFactor = 0.25f;
    int VertAdjust = 0;

    static constexpr int FullHeightTag = 1000;

    void Print(int ofsX, int ofsY) override;
    std::optional<TVRShapeGraphic> FullHeightLine() const override;
    // The shape as the page shows it, at the control's size in pixels.
    TVRShapeGraphic Graphic() const;
};
