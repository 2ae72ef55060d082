// Screenshots of the registry window for the documentation, taken from a real X
// screen: run the program's own start-up on the database of the current folder, open
// the registry from the menu and capture the screen around the modal window.
//
// Skipped unless REGISTRY_SCREENSHOTS names the folder to write to; run it under Xvfb
// with a window manager, from a folder that holds a sample LOGRADOUROS.FDB, as one
// command:
//     cd /tmp/demo && xvfb-run -a -s "-screen 0 1366x768x24" sh -c
//         'openbox & sleep 1; QT_QPA_PLATFORM=xcb REGISTRY_SCREENSHOTS=docs/screenshots
//          registry_tests --gtest_filter=RegistryScreenshots.*'
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include "app/udmPrincipal.h"
#include "registry/uFrm_Logradouros.h"
#include "shell/uFrm_Principal.h"
#include "tests/support/WidgetInput.h"
#include "toolkit/TDBEdit.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TEdit.h"

namespace {

void Settle(int milliseconds = 400) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Capture(const QWidget& window, const QString& path) {
    Settle();
    // The frame, title bar included, as the X server shows it.
    const QRect frame = window.frameGeometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(path, "PNG");
}

}  // namespace

TEST(RegistryScreenshots, BrowseInsertAndSearch) {
    const QString folder = qEnvironmentVariable("REGISTRY_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "REGISTRY_SCREENSHOTS not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::exists(QStringLiteral("LOGRADOUROS.FDB")));

    dmPrincipal = new TdmPrincipal;
    CreateMainWindow();
    Frm_Principal->show();
    Settle();

    QStringList written;
    QTimer::singleShot(500, [&] {
        TFrm_Logradouros& frm = *Frm_Logradouros;
        if (Capture(frm, folder + QStringLiteral("/registry-browse.png"))) written << "browse";

        frm.Botao_Novo->click();
        Settle(100);
        const QList<std::pair<TDBEdit*, const char*>> typed{
            {frm.C1, "041/2019"},   {frm.C2, "2019"},
            {frm.C3J, "4.871"},     {frm.C4J, "2019"},
            {frm.C5, "Rua"},        {frm.C6J, "Maria José d'Ávila"},
            {frm.C8, "Professora"}, {frm.C9, "Jardim Esperança"}};
        for (const auto& [box, text] : typed) {
            box->setFocus();
            TypeText(box, QString::fromUtf8(text));
        }
        frm.C10->setFocus();
        if (Capture(frm, folder + QStringLiteral("/registry-insert.png"))) written << "insert";
        frm.Botao_Cancelar->click();

        frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
        Settle(100);
        emit frm.DBGrid1->horizontalHeader()->sectionClicked(6);
        TypeText(frm.Procura, QStringLiteral("jo"));
        if (Capture(frm, folder + QStringLiteral("/registry-search.png"))) written << "search";
        frm.PageControl1->setCurrentWidget(frm.TabCadastro);
        frm.Botao_Fechar->click();
    });
    Frm_Principal->BensMveis2->trigger();

    EXPECT_EQ(written, (QStringList{"browse", "insert", "search"}));
    delete Frm_Principal;
    Frm_Principal = nullptr;
    delete dmPrincipal;
    dmPrincipal = nullptr;
}
