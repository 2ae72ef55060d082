// A screenshot of the preview window for the documentation: the listing-shaped report
// over 500 streets run through PreviewModal with the program's preview window
// installed, captured from a real X screen once the window shows its thumbnails.
//
// Skipped unless PREVIEW_SCREENSHOTS names the folder to write to; run it under Xvfb,
// as one command:
//     xvfb-run -a -s "-screen 0 1366x768x24" env QT_QPA_PLATFORM=xcb
//         PREVIEW_SCREENSHOTS=docs/screenshots build/tests/report_engine_ui_tests
//         --gtest_filter='PreviewScreenshots.*'
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "tests/support/ListingFixture.h"

namespace {

void Settle(int milliseconds = 600) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

TEST(PreviewScreenshots, ListingWithThumbnails) {
    const QString folder = qEnvironmentVariable("PREVIEW_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "PREVIEW_SCREENSHOTS not set";
    ASSERT_TRUE(QDir().mkpath(folder));

    const auto listing = listing::MakeListing(500);
    TVRReport& report = *listing->Report;
    report.ReportTitle = QStringLiteral("Relação de Logradouros");
    report.PreviewInitialState = pwsMaximized;
    InstallPreviewWindow();

    bool written = false;
    QTimer::singleShot(200, [&] {
        auto* window = dynamic_cast<TVRStandardPreview*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        // Without a window manager nothing maximises the window: it covers the screen.
        window->setGeometry(window->screen()->availableGeometry());
        window->SelectPage(2);
        window->SearchPages(QStringLiteral("Rua Número 42"), false);
        window->Tabs()->setCurrentWidget(window->ThumbTab());
        Settle();
        const QRect frame = window->frameGeometry();
        written = window->screen()
                      ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                      .save(QDir(folder).filePath(QStringLiteral("preview.png")), "PNG");
        window->close();
    });
    report.PreviewModal();
    TVRPrinter::SetStandardPreview({});
    EXPECT_TRUE(written);
}
