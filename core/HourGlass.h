#pragma once

#include <Qt>

// Shows the wait cursor for as long as it lives, when the program has a graphical
// application object (tests and tools without one are left alone). Work during which
// the user can still click (a Cancel in a progress window) shows the busy cursor.
class HourGlass {
public:
    explicit HourGlass(bool show = true, Qt::CursorShape shape = Qt::WaitCursor);
    ~HourGlass();
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;

private:
    bool FShown = false;
};
