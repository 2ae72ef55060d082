#include "app/TApplication.h"

#include "report_engine/ui/TVRProgressForm.h"
#include "toolkit/Dialogs.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InstallProgressWindow();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(QStringLiteral("Unexpected error"));
    }
    return false;
}
