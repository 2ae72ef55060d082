#pragma once

#include <QPainter>

// Saves a painter's state and restores it when the scope ends, also when an exception
// leaves the scope, so that a caller's painter is never left half-changed. A null
// painter (a play that only collects texts) is left alone.
class PainterSave {
public:
    explicit PainterSave(QPainter* painter) : FPainter(painter) {
        if (FPainter) FPainter->save();
    }
    explicit PainterSave(QPainter& painter) : PainterSave(&painter) {}
    ~PainterSave() {
        if (FPainter) FPainter->restore();
    }
    PainterSave(const PainterSave&) = delete;
    PainterSave& operator=(const PainterSave&) = delete;

private:
    QPainter* FPainter;
};
