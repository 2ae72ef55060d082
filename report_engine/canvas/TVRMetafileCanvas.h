#pragma once

#include <memory>

#include "report_engine/canvas/TVRCanvas.h"

class TVRMetafile;
class EmfRecorder;

// A page canvas that records every call as EMF records into a TVRMetafile. Text is
// measured at the reference resolution of 96 dpi (TextMeasure), whatever the screen,
// and drawn with per-character advances, so a replay places glyphs where they were
// measured. End() (also run by the destructor) writes EMR_EOF and completes the header;
// the metafile holds the page from then on.
class TVRMetafileCanvas : public TVRCanvas {
public:
    explicit TVRMetafileCanvas(TVRMetafile& target);
    ~TVRMetafileCanvas() override;

    void End();

    void SetFont(const TVRFont& font) override;
    void SetPen(const TVRPen& pen) override;
    void SetBrush(const TVRBrush& brush) override;
    void SetTextAlign(TAlignment alignment) override;
    void SetBkModeTransparent(bool transparent) override;
    void SetClipRect(const TRect& rect) override;
    void ResetClip() override;

    void TextOut(int x, int y, const QString& text) override;
    void FillRect(const TRect& rect) override;
    void Rectangle(const TRect& rect) override;
    void Ellipse(const TRect& rect) override;
    void RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void StretchDraw(const TRect& rect, const QImage& image) override;

    QSize TextExtent(const QString& text) override;

private:
    TVRMetafile& FTarget;
    std::unique_ptr<EmfRecorder> FRecorder;
};
