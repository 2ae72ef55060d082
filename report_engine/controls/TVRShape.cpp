#include "report_engine/controls/TVRShape.h"

#include "report_engine/printer/TVRPrinter.h"

void TVRShape::Print(int ofsX, int ofsY) {
    if (!IsEnabled() || !FVRPrinter || !FTarget) return;
    // The middle lines go through the native middle of the box, not the middle of its
    // rounded device edges.
    FTarget->DrawShape(Graphic(), DeviceBox(ofsX, ofsY),
                       FVRPrinter->XPos(ofsX + Size().NativeLeft() + Size().NativeWidth() / 2),
                       FVRPrinter->YPos(ofsY + Size().NativeTop() + Size().NativeHeight() / 2));
}

std::optional<TVRShapeGraphic> TVRShape::FullHeightLine() const {
    if (Tag != FullHeightTag || Shape != vrsVertLine) return std::nullopt;
    return Graphic();
}

TVRShapeGraphic TVRShape::Graphic() const {
    TVRShapeGraphic graphic;
    graphic.Shape = Shape;
    graphic.Pen = Pen;
    graphic.Brush = Brush;
    graphic.Width = Width();
    graphic.Height = Height();
    graphic.RoundFactor = RoundFactor;
    graphic.VertAdjust = VertAdjust;
    return graphic;
}
