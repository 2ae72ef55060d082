// The program as it starts (application object, connection module, main window on the
// database of the current folder), used as a user would: the full listing from the
// menu, then, once its second page is being made, the toolbar's exit button and Yes.
// Each step is printed on standard output as it happens; the exit status is the
// program's own.
//
//   listing_exit_worker [PAGES]
//       PAGES: the page of the listing being made when the exit is pressed (2).
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

#include "app/udmPrincipal.h"
#include "core/Messages.h"
#include "report_engine/model/TVRReport.h"
#include "reports/uFrm_Relatorio31.h"
#include "shell/TApplication.h"
#include "shell/uFrm_Principal.h"

namespace {

QElapsedTimer sinceStart;

void Say(const QString& line) {
    std::printf("%lld %s\n", static_cast<long long>(sinceStart.elapsed()), qPrintable(line));
    std::fflush(stdout);
}

// Presses the exit button once the listing's run has made `pages` pages; a listing that
// ended before that is reported and its preview closed.
void PressExitDuringTheRun(int pages) {
    QTimer::singleShot(20, [pages] {
        if (QWidget* preview = QApplication::activeModalWidget()) {
            Say(QStringLiteral("preview shown before the exit"));
            preview->close();
            return;
        }
        const TVRPrinter* printer =
            Frm_Relatorio31 ? Frm_Relatorio31->VR_Relatorio->VRPrinter() : nullptr;
        if (!printer || printer->PageCount() < pages) {
            PressExitDuringTheRun(pages);
            return;
        }
        Say(QStringLiteral("exit pressed on page %1").arg(printer->PageCount()));
        Frm_Principal->SpeedButton1->click();
    });
}

}  // namespace

int main(int argc, char** argv) {
    sinceStart.start();
    TApplication application(argc, argv);
    const int pages = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2;
    SetMessageAnswerer([](const TMessageRequest& request) {
        Say(QStringLiteral("asked: ") + request.Text);
        return request.Text == QLatin1String("Deseja sair do sistema?") ? TMsgButton::Yes
                                                                        : TMsgButton::OK;
    });

    TdmPrincipal connections;
    dmPrincipal = &connections;
    CreateMainWindow();
    QObject::connect(Frm_Principal, &QObject::destroyed, &application, &QCoreApplication::quit);
    QObject::connect(Frm_Principal, &QObject::destroyed,
                     [] { Say(QStringLiteral("main window gone")); });
    Frm_Principal->show();

    QTimer::singleShot(0, [pages] {
        PressExitDuringTheRun(pages);
        Say(QStringLiteral("listing started"));
        Frm_Principal->RelatriodosLogradouros1->trigger();
        Say(QStringLiteral("listing command returned"));
    });
    const int result = application.exec();
    delete Frm_Principal;
    dmPrincipal = nullptr;
    Say(QStringLiteral("ended with %1").arg(result));
    return result;
}
