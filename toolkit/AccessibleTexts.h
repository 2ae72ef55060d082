#pragma once

#include <initializer_list>

class QWidget;

// What assistive technology reads for a control: its name and, where the name says
// too little, a description (texts in UTF-8, as written in the windows' code).
struct TAccessibleText {
    QWidget* Control;
    const char* Name;
    const char* Description;
};

void SetAccessibleTexts(std::initializer_list<TAccessibleText> texts);
