// Entry of every test program: a QApplication on the offscreen platform (unless the
// caller chose another), so that widget, font and image tests run without a display.
#include <gtest/gtest.h>

#include <QApplication>

#include "report_engine/ui/TVRProgressForm.h"
#include "toolkit/MessageBoxes.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InstallMessageBoxes();    // message boxes show as in the program, unless a test answers them
    InstallProgressWindow();  // print and export runs show their progress window, as in the program
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
