#include "toolkit/AccessibleTexts.h"

#include <QWidget>

void SetAccessibleTexts(std::initializer_list<TAccessibleText> texts) {
    for (const TAccessibleText& text : texts) {
        text.Control->setAccessibleName(QString::fromUtf8(text.Name));
        text.Control->setAccessibleDescription(QString::fromUtf8(text.Description));
    }
}
