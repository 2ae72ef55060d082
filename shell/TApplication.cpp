#include "shell/TApplication.h"

#include "core/Messages.h"
#include "report_engine/ui/TVRProgressForm.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/Translations.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InstallMessageBoxes();
    InstallProgressWindow();
    InstallPreviewWindow();
    InstallQtTranslations();
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
