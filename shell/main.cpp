// Program entry. The installation constants were assigned when the units initialised,
// before this runs.
#include "app/udmPrincipal.h"
#include "shell/TApplication.h"
#include "shell/uFrm_Principal.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);

    // The connection data module lives until the process ends.
    TdmPrincipal connections;
    dmPrincipal = &connections;

    CreateMainWindow();
    // Confirming the exit frees the main window, which ends the message loop.
    QObject::connect(Frm_Principal, &QObject::destroyed, &application, &QCoreApplication::quit);
    Frm_Principal->show();
    const int result = application.exec();

    delete Frm_Principal;  // still there when the loop ended another way
    dmPrincipal = nullptr;
    return result;
}
