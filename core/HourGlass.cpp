#include "core/HourGlass.h"

#include <QCursor>
#include <QGuiApplication>

HourGlass::HourGlass(bool show, Qt::CursorShape shape) {
    if (show && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        FShown = true;
    }
}

HourGlass::~HourGlass() {
    if (FShown) QGuiApplication::restoreOverrideCursor();
}
