#include "app/TApplication.h"

#include "report_engine/ui/TVRProgressForm.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "toolkit/Dialogs.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InstallProgressWindow();
    InstallPreviewWindow();
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
