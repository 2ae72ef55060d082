#pragma once

// Shows the wait cursor for as long as it lives, when the program has a graphical
// application object (tests and tools without one are left alone).
class HourGlass {
public:
    explicit HourGlass(bool show = true);
    ~HourGlass();
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;

private:
    bool FShown = false;
};
