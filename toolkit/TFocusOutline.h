#pragma once

#include <QWidget>

// A focus outline for a control whose style shows no focus of its own (a scrolling
// page view, a drawn grid): a two-pixel frame in the highlight colour drawn over the
// control's edge while it, or a part of it, has the keyboard focus. It lets mouse
// events through and changes nothing of the control's size or layout.
class TFocusOutline : public QWidget {
public:
    explicit TFocusOutline(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow();

    QWidget* FControl;
};
