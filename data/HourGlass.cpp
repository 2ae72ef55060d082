#include "data/HourGlass.h"

#include <QCursor>
#include <QGuiApplication>

HourGlass::HourGlass(bool show) {
    if (show && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        FShown = true;
    }
}

HourGlass::~HourGlass() {
    if (FShown) QGuiApplication::restoreOverrideCursor();
}
