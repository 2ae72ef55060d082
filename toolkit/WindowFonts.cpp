#include "toolkit/WindowFonts.h"

QFont SansSerifFont(bool bold) {
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial")});
    font.setBold(bold);
    return font;
}

QFont ArialFont(bool bold) {
    QFont font(QStringLiteral("Arial"), 8);
    font.setBold(bold);
    return font;
}
