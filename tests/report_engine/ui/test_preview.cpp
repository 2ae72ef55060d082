// The preview window over a listing-shaped report run into the page store: opening,
// zoom, navigation and keys, the go-to box, text search, copy, save and load, printing
// and closing. Widgets are real, on the offscreen platform; modal boxes are answered
// from the event loop.

#include <gtest/gtest.h>
#include <sys/file.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>

#include "core/Exception.h"
#include "core/Messages.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "report_engine/printer/TVRPageSearch.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/ui/preview/TSearchDlg.h"
#include "report_engine/ui/preview/TVRPreview.h"
#include "report_engine/ui/preview/TVRPrinterSetup.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "report_engine/ui/preview/TVRThumbGrid.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/WidgetInput.h"

namespace {

// The shape of the application's override cursor; -1 without one.
int OverrideCursorShape() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? int(cursor->shape()) : -1;
}

// Reading PDFs back with poppler's tools.
QString PdfTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000)) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& pdf) {
    const QString info = PdfTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

QString PdfText(const QString& pdf) {
    return PdfTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

// Message boxes are answered OK and logged.
struct MessageLog {
    MessageLog() {
        ClearShownMessages();
        SetMessageAnswerer([](const TMessageRequest&) { return TMsgButton::OK; });
    }
    ~MessageLog() { SetMessageAnswerer({}); }
    QStringList Texts() const {
        QStringList texts;
        for (const TMessageRequest& request : ShownMessages()) texts << request.Text;
        return texts;
    }
};

// The listing run into the page store (no window is installed, so PreviewModal only
// fills the store) and a preview window on its page printer.
class PreviewTest : public testing::Test {
protected:
    static constexpr int rows = 150;

    void SetUp() override {
        Listing = listing::MakeListing(rows);
        TVRReport& report = *Listing->Report;
        report.ReportTitle = QStringLiteral("Relação de Logradouros");
        report.PreviewInitialState = pwsMaximized;
        report.BeforePrint = [this](TCustomVRReport&, bool&) { ++Runs; };
        report.PreviewModal();
        ASSERT_NE(report.VRPrinter(), nullptr);
        Pages = report.VRPrinter()->PageCount();
        ASSERT_GE(Pages, 4);
        Window = std::make_unique<TVRStandardPreview>(*report.VRPrinter());
    }

    void TearDown() override {
        Window.reset();
        TVRPrinter::SetStandardPreview({});
    }

    // Row `row`'s name as the detail band prints it.
    static QString StreetName(int row) { return QStringLiteral("Rua Número %1").arg(row); }

    TVRPrinter& Printer() { return *Listing->Report->VRPrinter(); }

    std::unique_ptr<ListingFixture> Listing;
    std::unique_ptr<TVRStandardPreview> Window;
    int Pages = 0;
    int Runs = 0;
};

TEST_F(PreviewTest, OpensOnPageOneAt100PercentWithTheRunFinished) {
    TVRStandardPreview& window = *Window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Report Preview : Relação de Logradouros"));
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window.PanelText(0), QStringLiteral("0%"));
    EXPECT_EQ(window.PanelText(1), QStringLiteral("Page 1 of %1").arg(Pages));
    EXPECT_EQ(window.PanelText(2), QStringLiteral("Zoom 100%"));
    EXPECT_EQ(window.PanelText(3), QStringLiteral("Relação de Logradouros"));
    EXPECT_TRUE(window.Button(QStringLiteral("Zoom100"))->isChecked());
    EXPECT_EQ(window.ThumbGrid()->RowCount(), Pages);
    EXPECT_EQ(Printer().Client(), window.VRPreview());
    EXPECT_TRUE(Printer().ShowingPreview());

    // A finished run: everything but Cancel is enabled.
    for (const char* name : {"FirstPage", "PreviousPage", "nextPage", "LastPage", "copybutton",
                             "ZoomPickButton", "PrintSetup", "Print", "SaveReport", "LoadReport",
                             "FindButton", "GotoPageButton", "ExitButton"})
        EXPECT_TRUE(window.Button(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_FALSE(window.Button(QStringLiteral("CancelButton"))->isEnabled());

    // Each hint ends with the button's key.
    const std::pair<const char*, const char*> hints[] = {
        {"ZoomFit", "Zoom to fit (Ctrl+1)"},
        {"ZoomToWidth", "Zoom to width (Ctrl+2)"},
        {"Zoom100", "100% Size (Ctrl+0)"},
        {"ZoomPickButton", "Set Display Zoom (Ctrl+M)"},
        {"GotoPageButton", "Select a Page (Ctrl+G)"},
        {"copybutton", "Copy page to clipboard (Ctrl+C)"},
        {"CancelButton", "Cancel the report (Ctrl+.)"},
        {"ExitButton", "Close Preview (Esc)"}};
    for (const auto& [name, hint] : hints)
        EXPECT_EQ(window.Button(QString::fromLatin1(name))->toolTip(), QString::fromLatin1(hint));
    EXPECT_EQ(window.Button(QStringLiteral("ExitButton"))->text(), QStringLiteral("&Close"));
    EXPECT_EQ(window.Tabs()->tabText(0), QStringLiteral("ThumbNails"));
    EXPECT_EQ(window.Tabs()->tabText(1), QStringLiteral("Search Results"));
}

TEST_F(PreviewTest, ReportSettingsHideTabsAndChooseTheInitialZoom) {
    Window.reset();
    TVRReport& report = *Listing->Report;
    report.PrevShowThumbs = false;
    report.PrevShowSearch = false;
    report.PrevInitialZoom = vrZoomToWidth;
    report.ReportTitle.clear();
    report.PreviewInitialState = pwsNormal;
    TVRStandardPreview window(Printer());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Report Preview : "));
    EXPECT_TRUE(window.Tabs()->isHidden());
    EXPECT_TRUE(window.Button(QStringLiteral("FindButton"))->isHidden());
    EXPECT_EQ(window.VRPreview()->ZoomState(), vrZoomToWidth);
    EXPECT_TRUE(window.Button(QStringLiteral("ZoomToWidth"))->isChecked());
    EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
}

TEST_F(PreviewTest, ProgressPanelMovesOnlyInStepsOfFive) {
    const std::pair<int, const char*> steps[] = {
        {3, "0%"}, {5, "5%"}, {9, "5%"}, {12, "12%"}, {100, "100%"}};
    for (const auto& [percent, shown] : steps) {
        QCoreApplication::postEvent(
            Window->VRPreview(),
            new TVRPrinterNotification(TVRPrinterNotification::ProgressType(), percent));
        QCoreApplication::processEvents();
        EXPECT_EQ(Window->PanelText(0), QString::fromLatin1(shown)) << percent;
    }
}

// ---- Zoom --------------------------------------------------------------------------

TEST_F(PreviewTest, ZoomToWidthFitAndMenu) {
    TVRPreview& view = *Window->VRPreview();
    EXPECT_EQ(view.PageSize100(), QSize(1123, 794));
    Window->VRPreview()->setParent(nullptr);  // sized by the test, not the window's layout
    view.show();
    view.resize(1000, 600);
    ASSERT_EQ(view.ViewSize(), QSize(1000, 600));

    Window->ZoomToWidthClick();
    EXPECT_EQ(view.Zoom(), 80);
    EXPECT_EQ(Window->PanelText(2), QStringLiteral("Zoom 80%"));
    Window->ZoomFitClick();
    EXPECT_EQ(view.Zoom(), 72);
    EXPECT_EQ(view.ZoomState(), vrZoomToFit);
    // A fitted view fits again when resized.
    view.resize(2000, 1200);
    EXPECT_EQ(view.Zoom(), 144);

    Window->ZoomMenuClick(QStringLiteral("N150"));
    EXPECT_EQ(view.Zoom(), 150);
    EXPECT_EQ(view.ZoomState(), vrZoomOther);
    EXPECT_EQ(Window->PanelText(2), QStringLiteral("Zoom 150%"));
    EXPECT_EQ(view.PreviewImage()->size(), QSize(Printer().XSize(2970.0 / 100 * 150) + 4,
                                                 Printer().YSize(2100.0 / 100 * 150) + 4));
    view.resize(1000, 600);
    EXPECT_EQ(view.Zoom(), 150);  // not fitted: stays

    for (const int ignored : {1, 2001, -5}) {
        view.SetZoom(ignored);
        EXPECT_EQ(view.Zoom(), 150) << ignored;
    }
    view.SetZoom(2);
    EXPECT_EQ(view.Zoom(), 2);
    view.SetZoom(2000);
    EXPECT_EQ(view.Zoom(), 2000);
    Window->VRPreview()->setParent(Window.get());
}

TEST_F(PreviewTest, ZoomMenuItemsAndZoomStepsFromKeysAndWheel) {
    QStringList names;
    for (QAction* item : Window->ZoomMenu()->actions()) names << item->objectName();
    EXPECT_EQ(names.first(), QStringLiteral("N50"));
    EXPECT_EQ(names.last(), QStringLiteral("N200"));
    EXPECT_EQ(names.size(), 16);
    Window->ZoomMenu()->actions()[3]->trigger();
    EXPECT_EQ(Window->VRPreview()->Zoom(), 80);

    TVRPreview& view = *Window->VRPreview();
    view.SetZoom(105);
    PressKey(&view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(view.Zoom(), 110);
    PressKey(&view, Qt::Key_Minus, Qt::ControlModifier);
    PressKey(&view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(view.Zoom(), 90);
    EXPECT_EQ(Window->PanelText(2), QStringLiteral("Zoom 90%"));
    view.SetZoom(200);
    PressKey(&view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(view.Zoom(), 200);  // the menu's largest step is the last

    QWheelEvent away(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, 120), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &away);
    EXPECT_EQ(view.Zoom(), 200);
    QWheelEvent towards(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, -240), Qt::NoButton,
                        Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &towards);
    EXPECT_EQ(view.Zoom(), 180);
}

// ---- Navigation --------------------------------------------------------------------

TEST_F(PreviewTest, ButtonsAndPageKeysTurnPages) {
    ShowActive(*Window);
    struct Case {
        int From;
        int Key;
        Qt::KeyboardModifiers Modifiers;
        int To;
    };
    const int last = Pages;
    const Case cases[] = {
        {1, Qt::Key_PageDown, Qt::NoModifier, 2},
        {3, Qt::Key_PageUp, Qt::NoModifier, 2},
        {1, Qt::Key_PageUp, Qt::NoModifier, 1},
        {2, Qt::Key_PageDown, Qt::ControlModifier, last},
        {2, Qt::Key_End, Qt::NoModifier, last},
        {3, Qt::Key_Home, Qt::NoModifier, 1},
        {3, Qt::Key_PageUp, Qt::ControlModifier, 1},
        {last, Qt::Key_PageDown, Qt::NoModifier, last},
    };
    for (const Case& c : cases) {
        Window->SelectPage(c.From);
        PressKey(Window->VRPreview(), c.Key, c.Modifiers);
        EXPECT_EQ(Window->PageNumber(), c.To) << "key " << c.Key << " from page " << c.From;
        EXPECT_EQ(Window->PanelText(1), QStringLiteral("Page %1 of %2").arg(c.To).arg(Pages));
        EXPECT_EQ(Window->ThumbGrid()->currentIndex().row(), c.To - 1);
    }

    Window->FirstPageClick();
    Window->NextPageClick();
    Window->NextPageClick();
    Window->PreviousPageClick();
    EXPECT_EQ(Window->PageNumber(), 2);
    Window->LastPageClick();
    EXPECT_EQ(Window->PageNumber(), Pages);
    Window->SelectPage(Pages + 1);
    Window->SelectPage(0);
    EXPECT_EQ(Window->PageNumber(), Pages);  // out of range: kept
}

TEST_F(PreviewTest, ArrowsAndWheelScrollThenTurnThePage) {
    Window->resize(900, 500);
    ShowActive(*Window);
    TVRPreview& view = *Window->VRPreview();
    view.SetZoom(200);
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 2 * bar->singleStep());

    Window->SelectPage(2);
    PressKey(&view, Qt::Key_Down);
    EXPECT_EQ(bar->value(), bar->singleStep());
    EXPECT_EQ(Window->PageNumber(), 2);
    // Up from near the top turns back to page 1, shown near its bottom.
    PressKey(&view, Qt::Key_Up);
    EXPECT_EQ(Window->PageNumber(), 1);
    EXPECT_EQ(bar->value(), bar->maximum() - bar->singleStep());
    EXPECT_EQ(Window->PanelText(1), QStringLiteral("Page 1 of %1").arg(Pages));
    // Down at the bottom turns forward to the top of page 2.
    PressKey(&view, Qt::Key_Down);
    EXPECT_EQ(Window->PageNumber(), 2);
    EXPECT_EQ(bar->value(), 0);
    // On page 1 at the top, Up stays.
    Window->SelectPage(1);
    PressKey(&view, Qt::Key_Up);
    EXPECT_EQ(Window->PageNumber(), 1);
    EXPECT_EQ(bar->value(), 0);

    // The wheel towards the user acts as Down, away as Up.
    QWheelEvent towards(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, -120), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &towards);
    EXPECT_EQ(bar->value(), bar->singleStep());
    QWheelEvent away(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, 120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &away);
    EXPECT_EQ(bar->value(), 0);

    // While the thumbnails have the focus, they take the keys themselves.
    Window->ThumbGrid()->setFocus();
    Window->SelectPage(3);
    PressKey(Window->ThumbGrid(), Qt::Key_Up);  // the grid's row up: the page before
    EXPECT_EQ(Window->PageNumber(), 2);
    PressKey(Window->ThumbGrid(), Qt::Key_Home);  // the grid's Home stays in its row
    EXPECT_EQ(Window->PageNumber(), 2);
}

TEST_F(PreviewTest, ClickingAThumbnailShowsItsPage) {
    ShowActive(*Window);
    TVRThumbGrid& grid = *Window->ThumbGrid();
    const QRect third = grid.visualRect(grid.model()->index(2, 0));
    ASSERT_TRUE(third.isValid());
    QMouseEvent press(QEvent::MouseButtonPress, third.center(),
                      grid.viewport()->mapToGlobal(third.center()), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, third.center(),
                        grid.viewport()->mapToGlobal(third.center()), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &press);
    QApplication::sendEvent(grid.viewport(), &release);
    EXPECT_EQ(Window->PageNumber(), 3);
    EXPECT_EQ(Window->PanelText(1), QStringLiteral("Page 3 of %1").arg(Pages));
}

// Whether the sheet of the grid's cell `row`, in a picture of its viewport, is blank.
bool SheetIsBlank(TVRThumbGrid& grid, const QImage& shown, int row) {
    const QRect cell = grid.visualRect(grid.model()->index(row, 0));
    const QRect sheet = SheetRect(grid.FrameIn(cell)).adjusted(2, 2, -2, -2);
    for (int y = sheet.top(); y <= sheet.bottom(); ++y)
        for (int x = sheet.left(); x <= sheet.right(); ++x)
            if (shown.pixelColor(x, y) != QColor(Qt::white)) return false;
    return true;
}

TEST_F(PreviewTest, ThumbnailsAreDrawnAfterThePageInIdleTimeAndOnlyOnScreen) {
    TVRThumbGrid& grid = *Window->ThumbGrid();
    // When the page is first painted, the grid has drawn no picture yet.
    struct FirstPaint : QObject {
        TVRThumbGrid& Grid;
        bool Seen = false, ThumbnailDrawn = false;
        explicit FirstPaint(TVRThumbGrid& grid) : Grid(grid) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && !Seen) {
                Seen = true;
                for (int page = 1; page <= Grid.RowCount(); ++page)
                    ThumbnailDrawn = ThumbnailDrawn || Grid.HasThumbnail(page);
            }
            return false;
        }
    } firstPaint(grid);
    Window->VRPreview()->PreviewImage()->installEventFilter(&firstPaint);
    Window->setWindowState(Qt::WindowNoState);
    Window->resize(900, 400);
    ShowActive(*Window);
    auto drawWaiting = [&grid] {
        for (int turn = 0; turn < 1000 && grid.PendingThumbnails() > 0; ++turn)
            QCoreApplication::processEvents();
        ASSERT_EQ(grid.PendingThumbnails(), 0);
    };
    drawWaiting();
    EXPECT_TRUE(firstPaint.Seen);
    EXPECT_FALSE(firstPaint.ThumbnailDrawn);
    Window->VRPreview()->PreviewImage()->removeEventFilter(&firstPaint);

    // A paint shows blank sheets and queues the rows on screen; idle time draws them.
    grid.Recompute();
    const int onScreen = grid.rowAt(grid.viewport()->height() - 1) + 1;
    ASSERT_GE(onScreen, 2);
    ASSERT_LT(onScreen, Pages);
    QImage shown = grid.viewport()->grab().toImage();
    EXPECT_EQ(grid.PendingThumbnails(), onScreen);
    EXPECT_TRUE(SheetIsBlank(grid, shown, 0));
    drawWaiting();
    for (int page = 1; page <= Pages; ++page)
        EXPECT_EQ(grid.HasThumbnail(page), page <= onScreen) << page;
    shown = grid.viewport()->grab().toImage();
    EXPECT_FALSE(SheetIsBlank(grid, shown, 0));

    // Rows scrolled past before the loop was idle are not drawn.
    QScrollBar* bar = grid.verticalScrollBar();
    bar->setValue(bar->maximum());
    grid.viewport()->grab();
    bar->setValue(0);
    drawWaiting();
    EXPECT_FALSE(grid.HasThumbnail(Pages));
}

TEST_F(PreviewTest, GotoBoxFallsBackToPageOne) {
    const std::pair<QString, int> entries[] = {{QStringLiteral("3"), 3},
                                               {QStringLiteral("0"), 1},
                                               {QStringLiteral("x"), 1},
                                               {QString::number(Pages + 1), 1},
                                               {QString::number(Pages), Pages}};
    for (const auto& [entry, page] : entries) {
        Window->SelectPage(2);
        Window->GotoPageText(entry);
        EXPECT_EQ(Window->PageNumber(), page) << entry.toStdString();
    }

    Window->SelectPage(2);
    QString caption, prompt, initial;
    WhenModal<QInputDialog>([&](QInputDialog* box) {
        caption = box->windowTitle();
        prompt = box->labelText();
        initial = box->textValue();
        box->setTextValue(QStringLiteral("4"));
        box->accept();
    });
    Window->GotoPageClick();
    EXPECT_EQ(caption, QStringLiteral("Select a page from 1 to %1").arg(Pages));
    EXPECT_EQ(prompt, QStringLiteral("Enter page number"));
    EXPECT_EQ(initial, QStringLiteral("2"));
    EXPECT_EQ(Window->PageNumber(), 4);
}

// ---- Search ------------------------------------------------------------------------

TEST_F(PreviewTest, SearchListsMatchingPagesAndMarksTheMatch) {
    QListWidget& results = *Window->SearchResultBox();
    // The last row is only on the last page; every page has the header's title.
    struct Case {
        QString Text;
        bool MatchCase;
        QStringList Entries;
    };
    QStringList everyPage;
    for (int page = 1; page <= Pages; ++page) everyPage << QStringLiteral("Page %1").arg(page);
    const Case cases[] = {
        {StreetName(rows), false, {QStringLiteral("Page %1").arg(Pages)}},
        {StreetName(rows).toUpper(), false, {QStringLiteral("Page %1").arg(Pages)}},
        {StreetName(rows).toUpper(), true, {QStringLiteral("No matching text")}},
        {QStringLiteral("Relação"), true, everyPage},
        {QStringLiteral("Avenida Inexistente"), false, {QStringLiteral("No matching text")}},
    };
    for (const Case& c : cases) {
        Window->SearchPages(c.Text, c.MatchCase);
        QStringList entries;
        for (int i = 0; i < results.count(); ++i) entries << results.item(i)->text();
        EXPECT_EQ(entries, c.Entries) << c.Text.toStdString() << " " << c.MatchCase;
        EXPECT_EQ(results.isEnabled(), c.Entries.first() != QStringLiteral("No matching text"));
        EXPECT_EQ(Window->SearchTextLabel()->text(), c.Text);
        EXPECT_EQ(Window->Tabs()->currentWidget(), Window->SearchTab());
    }

    // Clicking an entry shows its page, scrolled to the first match, which is marked.
    Window->resize(700, 400);
    ShowActive(*Window);
    Window->SearchPages(StreetName(rows), false);
    ASSERT_EQ(results.count(), 1);
    emit results.itemClicked(results.item(0));
    EXPECT_EQ(Window->PageNumber(), Pages);
    TVRPreview& view = *Window->VRPreview();
    const QRect match = view.PreviewImage()->FirstMatch();
    ASSERT_FALSE(match.isEmpty());
    const QRect visible(
        QPoint(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value()),
        view.viewport()->size());
    EXPECT_TRUE(visible.contains(match.center())) << "match not scrolled into view";
    const QImage shown = view.PreviewImage()->grab().toImage();
    const QColor marked = shown.pixelColor(match.left() + 1, match.center().y());
    EXPECT_GT(marked.red(), marked.blue() + 40) << "the match is not marked";
}

TEST_F(PreviewTest, SearchReadsTheSameTextsAsThePagePlayer) {
    for (int page = 1; page <= Pages; ++page) {
        const auto metafile = Printer().GetPage(page);
        EXPECT_EQ(PageSearch::PageTexts(metafile->Bytes()), metafile->Texts()) << page;
    }
    // A damaged page yields what comes before the damage, and never reads past its end.
    QByteArray cut = Printer().GetPage(1)->Bytes();
    cut.truncate(cut.size() / 2);
    EXPECT_FALSE(PageSearch::PageTexts(cut).isEmpty());
    EXPECT_TRUE(PageSearch::PageTexts(QByteArray("\x54\0\0\0\xff\xff\xff\x7f", 8)).isEmpty());
}

TEST_F(PreviewTest, SearchDialogAsksForTextAndCase) {
    QString caption;
    WhenModal<TSearchDlg>([&](TSearchDlg* dialog) {
        caption = dialog->windowTitle();
        dialog->SetSearchText(StreetName(1).toLower());
        dialog->SetMatchCase(true);
        dialog->SearchButton()->click();
    });
    Window->FindButtonClick();
    EXPECT_EQ(caption, QStringLiteral("Search for Text"));
    EXPECT_EQ(Window->SearchResultBox()->item(0)->text(), QStringLiteral("No matching text"));

    WhenModal<TSearchDlg>([&](TSearchDlg* dialog) { dialog->CancelButton()->click(); });
    Window->FindButtonClick();
    EXPECT_EQ(Window->SearchTextLabel()->text(), StreetName(1).toLower());  // unchanged
}

// ---- Copy, save and load -----------------------------------------------------------

TEST_F(PreviewTest, CopyPutsThePageOnTheClipboard) {
    Window->SelectPage(2);
    Window->CopyButtonClick();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data(QStringLiteral("image/x-emf")), Printer().GetPage(2)->Bytes());
    const QImage image = qvariant_cast<QImage>(data->imageData());
    // At 300 dots per inch, so that the pasted page prints well (the page is 1123 x 794
    // at 96).
    EXPECT_EQ(image.size(), QSize(3509, 2481));
}

// A filter that stands for the CSV export: writes one line per text.
class CsvStandIn : public TVRExportFilter {
public:
    explicit CsvStandIn(const QString& fileName) : TVRExportFilter(fileName) {}
    QString GetFilterName() override { return QStringLiteral("Comma Separated"); }
    QString GetExtension() override { return QStringLiteral("CSV"); }
    void TextOut(double, double, const TVRFont&, TColor, TAlignment, const QString& text) override {
        Lines << text;
    }
    void Finish() override {
        QFile file(FileName());
        if (file.open(QIODevice::WriteOnly)) file.write(Lines.join(QLatin1Char('\n')).toUtf8());
    }
    QStringList Lines;
};

// A filter that notes the cursor shown while the export runs, and fails when told to.
class CursorWatchingFilter : public TVRExportFilter {
public:
    explicit CursorWatchingFilter(const QString& fileName) : TVRExportFilter(fileName) {}
    QString GetFilterName() override { return QStringLiteral("Cursor watching"); }
    QString GetExtension() override { return QStringLiteral("CWF"); }
    void Start(int, int, const TVRFont&) override {
        Shapes << OverrideCursorShape();
        if (Fail) throw Exception(QStringLiteral("The disk is full"));
    }
    static inline QList<int> Shapes;
    static inline bool Fail = false;
};

TEST_F(PreviewTest, SaveAndExportShowTheirCursorWhileTheyWorkAndRestoreItAlsoOnFailure) {
    QTemporaryDir folder;
    TVRExportFilterLibrary& library = VRExportFilterLibrary();
    library.AddFilter<CursorWatchingFilter>(QStringLiteral("CursorWatchingFilter"));
    const auto unregister = qScopeGuard([&] {
        library.RemoveFilter<CursorWatchingFilter>(QStringLiteral("CursorWatchingFilter"));
        CursorWatchingFilter::Fail = false;
    });
    // The export's progress window keeps its Cancel: the busy cursor.
    for (const bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "failing export" : "export");
        CursorWatchingFilter::Shapes.clear();
        CursorWatchingFilter::Fail = fail;
        const QString file = folder.filePath(QStringLiteral("listagem%1.CWF").arg(int(fail)));
        if (fail)
            EXPECT_THROW(Window->SaveTo(file, 0), Exception);
        else
            Window->SaveTo(file, 0);
        EXPECT_EQ(CursorWatchingFilter::Shapes, QList<int>{int(Qt::BusyCursor)});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    // A report file that cannot be written.
    EXPECT_ANY_THROW(Window->SaveTo(folder.filePath(QStringLiteral("none/listagem.VRP")), 1));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(PreviewTest, SaveFollowsTheExtensionOrTheChosenType) {
    QTemporaryDir folder;
    const QString base = folder.filePath(QStringLiteral("listagem"));
    MessageLog messages;
    TVRExportFilterLibrary& library = VRExportFilterLibrary();
    library.AddFilter<CsvStandIn>(QStringLiteral("CsvStandIn"));
    const auto unregister =
        qScopeGuard([&] { library.RemoveFilter<CsvStandIn>(QStringLiteral("CsvStandIn")); });
    const int csvType = 2 + int(library.Filters().size()) - 1;
    ASSERT_EQ(Window->SaveDialogTypes().value(csvType),
              QStringLiteral("Comma Separated (*.CSV *.csv)"));
    EXPECT_EQ(Window->SaveDialogTypes().first(), QStringLiteral(".PDF (*.PDF *.pdf)"));

    Window->SaveTo(base + QStringLiteral(".xyz"), csvType);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());

    Runs = 0;
    Window->SaveTo(base, csvType);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("listagem.CSV")});
    EXPECT_EQ(Runs, 1);  // the export runs the report again
    QFile csv(base + QStringLiteral(".CSV"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(csv.readAll()).contains(StreetName(rows)));

    // The name's extension wins over the chosen type, in any case.
    Window->SaveTo(base + QStringLiteral("2.csv"), 1);
    EXPECT_TRUE(QFile::exists(base + QStringLiteral("2.csv")));

    Window->SaveTo(base, 1);
    EXPECT_TRUE(QFile::exists(base + QStringLiteral(".VRP")));
    EXPECT_TRUE(messages.Texts().isEmpty());

    // A file held by another program is left alone.
    QFile held(base + QStringLiteral(".VRP"));
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    const qint64 size = held.size();
    Runs = 0;
    Window->SaveTo(base + QStringLiteral(".VRP"), 1);
    Window->SaveTo(base + QStringLiteral(".VRP"), csvType);
    EXPECT_EQ(messages.Texts(),
              QStringList(2, QStringLiteral("The file is read-only or in use - save abandoned.")));
    EXPECT_EQ(QFileInfo(held.fileName()).size(), size);
    EXPECT_EQ(Runs, 0);
}

TEST_F(PreviewTest, SavedNativeFileLoadsBackWithItsPagesAndOrientation) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("listagem.VRP"));
    Window->SaveTo(file, 0);  // the name's extension decides
    ASSERT_TRUE(QFile::exists(file));
    QList<QByteArray> before;
    for (int page = 1; page <= Pages; ++page) before << Printer().GetPage(page)->Bytes();

    // A fresh run in portrait, then the landscape file loaded over it.
    Window.reset();
    Listing->Report->Page().SetOrientation(poPortrait);
    Listing->Report->PreviewModal();
    Window = std::make_unique<TVRStandardPreview>(*Listing->Report->VRPrinter());
    ASSERT_EQ(Printer().PrinterSettings().Orientation, poPortrait);
    MessageLog messages;
    Window->SelectPage(2);
    Window->LoadFrom(file);
    EXPECT_TRUE(messages.Texts().isEmpty());
    EXPECT_EQ(Window->PageCount(), Pages);
    EXPECT_EQ(Window->PageNumber(), 1);
    EXPECT_EQ(Window->PanelText(3), QStringLiteral("listagem.VRP"));
    EXPECT_EQ(Window->PanelText(1), QStringLiteral("Page 1 of %1").arg(Pages));
    EXPECT_EQ(Printer().PrinterSettings().Orientation, poLandscape);
    EXPECT_EQ(Listing->Report->Page().Orientation(), poPortrait);  // the report's own
    EXPECT_EQ(Window->VRPreview()->PreviewImage()->width(), 1123 + 4);
    EXPECT_EQ(Window->ThumbGrid()->RowCount(), Pages);
    for (int page = 1; page <= Pages; ++page)
        EXPECT_EQ(Printer().GetPage(page)->Bytes(), before[page - 1]) << page;
    EXPECT_TRUE(Window->Button(QStringLiteral("Print"))->isEnabled());

    Window->LoadFrom(folder.filePath(QStringLiteral("missing.VRP")));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("File does not exist")});
    EXPECT_EQ(Window->PageCount(), Pages);
    // A file refused unread (larger than a report file can be) leaves no wait cursor.
    QFile huge(folder.filePath(QStringLiteral("huge.VRP")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(3) << 30));
    huge.close();
    EXPECT_THROW(Window->LoadFrom(huge.fileName()), Exception);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Window->PageCount(), Pages);
}

// Answers the command's file dialog as a user would: chooses the type (when given),
// types the file name into the name box and accepts; returns what the dialog showed when
// it came up. The name is typed rather than given to selectFile(), which leaves the box
// alone while it has the focus: whether it has it yet depends on when the window system
// activates the dialog, and an empty box accepts the folder, which the dialog opens
// instead of closing. A dialog that stays open is a failure, not a hang.
struct FileDialogSeen {
    QString Title, Type, Name;
};
FileDialogSeen AnswerFileDialog(const std::function<void()>& command, const QString& type,
                                const QString& fileName) {
    FileDialogSeen seen;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        seen.Title = dialog->windowTitle();
        seen.Type = dialog->selectedNameFilter();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            ADD_FAILURE() << "the file dialog has no name box";
            dialog->reject();
            return;
        }
        seen.Name = name->text();
        if (!type.isEmpty()) dialog->selectNameFilter(type);
        name->setFocus();
        name->setText(fileName);
        static_cast<QDialog*>(dialog)->accept();  // what its Save / Open button does
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the file dialog stayed open on " << fileName.toStdString();
            dialog->reject();
        }
    });
    command();
    return seen;
}

TEST_F(PreviewTest, SaveAndLoadDialogsChooseTheFileAndType) {
    const TVRPDFFilter pdf;
    const TVRCSVFilter csv;
    MessageLog messages;
    QTemporaryDir folder;
    const QString base = folder.filePath(QStringLiteral("listagem"));

    // The default type comes first and is preselected; a bare name takes its extension.
    const FileDialogSeen save =
        AnswerFileDialog([&] { Window->SaveReportClick(); }, QString(), base);
    EXPECT_EQ(save.Title, QStringLiteral("Save report"));
    EXPECT_EQ(save.Type, QStringLiteral(".PDF (*.PDF *.pdf)"));
    EXPECT_EQ(save.Name, QStringLiteral("*.PDF"));
    EXPECT_EQ(PdfPageCount(base + QStringLiteral(".PDF")), Pages);

    // A name with an extension wins over the chosen type.
    const QString comma = Window->SaveDialogTypes().filter(QStringLiteral("*.CSV")).value(0);
    ASSERT_FALSE(comma.isEmpty());
    AnswerFileDialog([&] { Window->SaveReportClick(); }, comma, base + QStringLiteral(".vrp"));
    EXPECT_TRUE(QFile::exists(base + QStringLiteral(".vrp")));
    EXPECT_FALSE(QFile::exists(base + QStringLiteral(".vrp.CSV")));

    const FileDialogSeen load = AnswerFileDialog([&] { Window->LoadReportClick(); }, QString(),
                                                 base + QStringLiteral(".vrp"));
    EXPECT_EQ(load.Title, QStringLiteral("Load report"));
    EXPECT_EQ(Window->PanelText(3), QStringLiteral("listagem.vrp"));
    EXPECT_EQ(Window->PageCount(), Pages);
    EXPECT_TRUE(messages.Texts().isEmpty());

    AnswerFileDialog([&] { Window->LoadReportClick(); }, QString(),
                     folder.filePath(QStringLiteral("missing.VRP")));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("File does not exist")});
    EXPECT_EQ(Window->PanelText(3), QStringLiteral("listagem.vrp"));
}

// ---- Printing ----------------------------------------------------------------------

TEST_F(PreviewTest, PrintRunsTheReportAgainButPrintsALoadedFilesPages) {
    MessageLog messages;  // without a printer the run says so
    Runs = 0;
    Window->PrintClick();
    EXPECT_EQ(Runs, 1);
    EXPECT_TRUE(Window->Button(QStringLiteral("ExitButton"))->isEnabled());
    EXPECT_EQ(Printer().Client(), Window->VRPreview());

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("listagem.VRP"));
    Window->SaveTo(file, 1);
    Window->LoadFrom(file);
    const QString pdf = folder.filePath(QStringLiteral("stored.pdf"));
    Printer().Printer()->setOutputFormat(QPrinter::PdfFormat);
    Printer().Printer()->setOutputFileName(pdf);
    Runs = 0;
    Window->PrintClick();
    EXPECT_EQ(Runs, 0);
    EXPECT_EQ(PdfPageCount(pdf), Pages);
    EXPECT_TRUE(PdfText(pdf).contains(StreetName(rows)));
}

// Printing on a real system printer: the cups-pdf queue that scripts/start-print-queue
// sets up writes each job as a PDF into its folder.
TEST_F(PreviewTest, PrintsTheListingOnTheCupsPdfQueue) {
    const QString queue = qEnvironmentVariable("VIALAR_PRINT_QUEUE", QStringLiteral("VialarPDF"));
    const QDir out(
        qEnvironmentVariable("VIALAR_CUPS_PDF_DIR", QStringLiteral("/var/tmp/vialar-cups-pdf")));
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    int index = -1;
    for (int i = 0; i < printers.size(); ++i)
        if (printers[i].printerName() == queue) index = i;
    if (index < 0 || !out.exists())
        GTEST_SKIP() << "no print queue " << queue.toStdString() << " writing to "
                     << out.path().toStdString() << " (scripts/start-print-queue sets it up)";

    const QStringList before = out.entryList({QStringLiteral("*.pdf")}, QDir::Files);
    TVRReport& report = *Listing->Report;
    // cups-pdf names the file after the job's title, spaces turned into underscores.
    report.ReportTitle =
        QStringLiteral("Vialar print test %1").arg(QCoreApplication::applicationPid());
    const QString jobName = QString(report.ReportTitle).replace(QLatin1Char(' '), QLatin1Char('_'));
    report.PrinterSettings().PrinterIndex = index;
    report.PrinterSettings().UseStandardPrinter = false;
    Runs = 0;
    Window->PrintClick();
    EXPECT_EQ(Runs, 1);

    // The queue converts the job in its own time.
    QString produced;
    QElapsedTimer waited;
    waited.start();
    qint64 lastSize = -1;
    while (waited.elapsed() < 90000) {
        for (const QString& name : out.entryList({QStringLiteral("*.pdf")}, QDir::Files))
            if (!before.contains(name) && name.startsWith(jobName)) produced = out.filePath(name);
        if (!produced.isEmpty()) {
            const qint64 size = QFileInfo(produced).size();
            if (size > 0 && size == lastSize && PdfPageCount(produced) > 0) break;
            lastSize = size;
        }
        QThread::msleep(500);
    }
    ASSERT_FALSE(produced.isEmpty()) << "no PDF from the queue in " << out.path().toStdString();
    EXPECT_EQ(PdfPageCount(produced), Pages);
    const QString text = PdfText(produced);
    EXPECT_TRUE(text.contains(StreetName(1))) << text.left(400).toStdString();
    EXPECT_TRUE(text.contains(StreetName(rows)));
    QFile::remove(produced);
}

TEST_F(PreviewTest, PrinterSetupTakesTheChoiceAndCancelChangesNothing) {
    TVRReport& report = *Listing->Report;
    const TVRPrinterSettings before = report.PrinterSettings();
    WhenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->reject(); });
    Window->PrintSetupClick();
    EXPECT_EQ(report.PrinterSettings().Copies, before.Copies);
    EXPECT_EQ(report.PrinterSettings().FirstPage, 0);

    QPrinter chosen;
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setCopyCount(3);
    chosen.setCollateCopies(true);
    chosen.setDuplex(QPrinter::DuplexLongSide);
    chosen.setFromTo(2, 3);
    chosen.setPageOrientation(QPageLayout::Portrait);
    TakePrinterChoice(chosen, true, &report, Printer());
    EXPECT_EQ(report.PrinterSettings().Copies, 3);
    EXPECT_TRUE(report.PrinterSettings().Collate);
    EXPECT_EQ(report.PrinterSettings().FirstPage, 2);
    EXPECT_EQ(report.PrinterSettings().LastPage, 3);
    EXPECT_EQ(report.Page().Orientation(), poPortrait);
    EXPECT_EQ(Printer().PrinterSettings().Copies, 3);
    EXPECT_EQ(Printer().FirstPage(), 2);
    EXPECT_EQ(Printer().LastPage(), 3);
    EXPECT_EQ(Printer().PrinterSettings().Orientation, poLandscape);  // the pages made stay

    TakePrinterChoice(chosen, false, &report, Printer());
    EXPECT_EQ(report.PrinterSettings().FirstPage, 0);
    EXPECT_EQ(report.PrinterSettings().LastPage, 0);
}

// Rejects every modal dialog that comes up while it lives, counting them.
struct ModalCounter {
    ModalCounter() {
        Timer.setInterval(10);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++Count;
                dialog->reject();
            }
        });
        Timer.start();
    }
    QTimer Timer;
    int Count = 0;
};

TEST_F(PreviewTest, ReportHookComesBeforeEachActionAndHandledSkipsIt) {
    TVRReport& report = *Listing->Report;
    QList<std::pair<int, QString>> calls;
    bool handle = true;
    report.OnStandPrevEvent = [&](QObject& sender, TVRStandPrevEventKind kind, bool& handled,
                                  const QString& name) {
        EXPECT_EQ(sender.objectName(), QStringLiteral("VRStandardPreview"));
        calls.append({kind, name});
        handled = handle;
    };
    Window = std::make_unique<TVRStandardPreview>(Printer());
    EXPECT_EQ(calls, (QList<std::pair<int, QString>>{{speCreate, QString()}}));
    ShowActive(*Window);

    ModalCounter dialogs;
    struct Case {
        TVRStandPrevEventKind Kind;
        const char* Name;
        std::function<void()> Action;
        std::function<bool()> Done;  // whether the window's own action took place
    };
    const Case cases[] = {
        {speCopy, "Copy", [&] { Window->CopyButtonClick(); },
         [] {
             const QMimeData* data = QApplication::clipboard()->mimeData();
             return data && data->hasFormat(QStringLiteral("image/x-emf"));
         }},
        {spePrint, "Print", [&] { Window->PrintClick(); }, [&] { return Runs > 0; }},
        {spePrintSetup, "PrintSetup", [&] { Window->PrintSetupClick(); },
         [&] { return dialogs.Count > 0; }},
        {speLoad, "Load", [&] { Window->LoadReportClick(); }, [&] { return dialogs.Count > 0; }},
        {speSave, "Save", [&] { Window->SaveReportClick(); }, [&] { return dialogs.Count > 0; }},
        {speCancel, "Cancel", [&] { Window->CancelButtonClick(); },
         [&] { return report.UserCancel; }},
        {speClose, "", [&] { Window->close(); }, [&] { return !Window->isVisible(); }},
    };
    for (const bool handled : {true, false}) {
        handle = handled;
        for (const Case& c : cases) {
            QApplication::clipboard()->clear();
            Runs = 0;
            dialogs.Count = 0;
            report.UserCancel = false;
            calls.clear();
            c.Action();
            EXPECT_EQ(calls,
                      (QList<std::pair<int, QString>>{{c.Kind, QString::fromLatin1(c.Name)}}))
                << c.Name;
            EXPECT_EQ(c.Done(), !handled) << c.Name << (handled ? " handled" : " not handled");
        }
    }
}

TEST_F(PreviewTest, PrintAfterSetupPrintsOnceTheSetupIsAccepted) {
    TVRReport& report = *Listing->Report;
    MessageLog messages;  // without a printer the run says so
    for (const bool printAfterSetup : {false, true}) {
        report.PrintAfterSetup = printAfterSetup;
        Runs = 0;
        WhenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->reject(); });
        Window->PrintSetupClick();
        EXPECT_EQ(Runs, 0) << "cancelled setup";
        WhenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); });
        Window->PrintSetupClick();
        EXPECT_EQ(Runs, printAfterSetup ? 1 : 0) << printAfterSetup;
    }
}

// ---- Closing -----------------------------------------------------------------------

TEST_F(PreviewTest, PreviewModalOpensTheInstalledWindowAndClosingFreesThePages) {
    Window.reset();
    InstallPreviewWindow();
    int afterPreview = 0;
    Listing->Report->AfterPreview = [&](TCustomVRReport&) { ++afterPreview; };
    QString panel;
    WhenModal<TVRStandardPreview>([&](TVRStandardPreview* window) {
        panel = window->PanelText(1);
        window->Button(QStringLiteral("ExitButton"))->click();
    });
    Listing->Report->PreviewModal();
    EXPECT_EQ(panel, QStringLiteral("Page 1 of %1").arg(Pages));
    EXPECT_EQ(afterPreview, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Listing->Report->VRPrinter(), nullptr);

    // Escape closes as well; a disabled Close keeps the window open.
    WhenModal<TVRStandardPreview>([&](TVRStandardPreview* window) {
        window->Button(QStringLiteral("ExitButton"))->setEnabled(false);
        PressKey(window->VRPreview(), Qt::Key_Escape);
        EXPECT_TRUE(window->isVisible());
        window->Button(QStringLiteral("ExitButton"))->setEnabled(true);
        PressKey(window->VRPreview(), Qt::Key_Escape);
    });
    Listing->Report->PreviewModal();
    EXPECT_EQ(afterPreview, 2);
}

// ---- Drawing -----------------------------------------------------------------------

TEST_F(PreviewTest, PageIsDrawnOnAWhiteSheetWithOutlineAndShadow) {
    TVRPreviewImage& image = *Window->VRPreview()->PreviewImage();
    Window->VRPreview()->SetZoom(50);
    const QImage shown = image.grab().toImage();
    const int w = shown.width(), h = shown.height();
    ASSERT_EQ(w, Printer().XSize(2970.0 / 2) + 4);
    struct Probe {
        int X, Y;
        QColor Colour;
    };
    const Probe probes[] = {
        {0, 0, Qt::black},         {0, h - 3, Qt::black},     {w - 3, h / 2, Qt::black},
        {w / 2, h - 3, Qt::black}, {w - 1, h / 2, Qt::black}, {w - 2, h / 2, Qt::black},
        {w / 2, h - 1, Qt::black}, {w / 2, h - 2, Qt::black}, {1, h / 2 + 150, Qt::white},
        {w - 4, 1, Qt::white},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(shown.pixelColor(probe.X, probe.Y), probe.Colour) << probe.X << "," << probe.Y;
    EXPECT_NE(shown.pixelColor(w - 1, 0), QColor(Qt::black));  // the shadow starts 2 down
}

TEST(PreviewDrawing, RendersAtTheScreensPixelRatio) {
    TVRMetafile page(1123, 794);
    const QImage sharp = RenderPage(page, QSize(200, 100), 2.0);
    EXPECT_EQ(sharp.size(), QSize(400, 200));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(RenderPage(page, QSize(200, 100), 1.0).size(), QSize(200, 100));
}

TEST(ThumbnailGeometry, FollowsTheGridWidthAndThePaper) {
    // Landscape A4 in a 193-pixel grid with 13-pixel text.
    const ThumbGeometry landscape = ThumbGeometry::For(193, 13, true, 2100, 2970);
    EXPECT_EQ(landscape.ColumnWidth, 189);
    EXPECT_EQ(landscape.DrawWidth, 169);
    EXPECT_EQ(landscape.DrawHeight, 106);  // Round(169 * 2100 / 2970 - 13)
    EXPECT_EQ(landscape.LeftMargin, 10);
    const ThumbGeometry portrait = ThumbGeometry::For(193, 13, false, 2100, 2970);
    EXPECT_EQ(portrait.DrawHeight, 226);  // Round(169 * 2970 / 2100 - 13)

    // The page keeps its proportions inside the cell's drawing area.
    const QRect frame = landscape.PageFrame(QRect(0, 0, 189, 106), 2970.0 / 2100);
    EXPECT_EQ(frame.topLeft(), QPoint(10, 10));
    EXPECT_LE(frame.right(), 189 - 30);
    EXPECT_LE(frame.bottom(), 106 - 10);
    EXPECT_NEAR(double(frame.width() - 4) / (frame.height() - 4), 2970.0 / 2100, 0.03);
}

// ---- Under real use: loaded pages, names, searches, jobs and their failures --------

TEST_F(PreviewTest, LoadedPagesAreSavedAsTheyAreOrRefusedAndLeaveTheReportAlone) {
    // Two portrait pages of another listing, saved, then loaded into this landscape one.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("outra.VRP"));
    auto other = listing::MakeListing(40);
    other->Report->Page().SetOrientation(poPortrait);
    other->Report->Prepare();
    ASSERT_TRUE(other->Report->VRPrinter()->Save(file));
    const int otherPages = other->Report->VRPrinter()->PageCount();
    ASSERT_LT(otherPages, Pages);

    MessageLog messages;
    Window->LoadFrom(file);
    // The report keeps its own paper: the loaded pages' orientation is theirs.
    EXPECT_EQ(Listing->Report->Page().Orientation(), poLandscape);

    Runs = 0;
    const QString base = folder.filePath(QStringLiteral("listagem"));
    const TVRPDFFilter pdf;
    const TVRCSVFilter csv;
    Window->SaveTo(base + QStringLiteral(".pdf"), 0);
    EXPECT_EQ(Runs, 0);  // nothing ran: the pages shown are the ones saved
    EXPECT_EQ(PdfPageCount(base + QStringLiteral(".pdf")), otherPages);
    const QString text = PdfText(base + QStringLiteral(".pdf"));
    EXPECT_TRUE(text.contains(StreetName(40)));
    EXPECT_FALSE(text.contains(StreetName(41)));
    // A4 as the pages lie: portrait, 595 x 842 points.
    const QString info = PdfTool(QStringLiteral("pdfinfo"), {base + QStringLiteral(".pdf")});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595"))))
        << info.toStdString();
    EXPECT_TRUE(messages.Texts().isEmpty())
        << messages.Texts().join(QLatin1Char('|')).toStdString();

    // The other formats need the report, which these pages do not come from.
    Window->SaveTo(base + QStringLiteral(".csv"), 0);
    EXPECT_EQ(Runs, 0);
    EXPECT_FALSE(QFile::exists(base + QStringLiteral(".csv")));
    EXPECT_EQ(messages.Texts(),
              QStringList{QStringLiteral("Pages loaded from a file can be saved only as a report "
                                         "file (VRP) or as a PDF document - nothing was saved.")});
}

TEST_F(PreviewTest, SaveChecksAndAsksAboutTheNameWithItsExtensionAdded) {
    QTemporaryDir folder;
    const QString base = folder.filePath(QStringLiteral("listagem"));
    const QString written = base + QStringLiteral(".PDF");
    const TVRPDFFilter pdf;
    auto writeOld = [&] {
        QFile old(written);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("older file");
    };
    auto content = [&] {
        QFile file(written);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    writeOld();

    struct Case {
        const char* What;
        bool Locked;
        TMsgButton Answer;
        QStringList Messages;
        bool Replaced;
    };
    const QString question =
        QStringLiteral("listagem.PDF already exists.\nDo you want to replace it?");
    const Case cases[] = {
        {"held by another program",
         true,
         TMsgButton::Yes,
         {QStringLiteral("The file is read-only or in use - save abandoned.")},
         false},
        {"kept", false, TMsgButton::No, {question}, false},
        {"replaced", false, TMsgButton::Yes, {question}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        writeOld();
        QFile held(written);
        ASSERT_TRUE(held.open(QIODevice::ReadOnly));
        if (c.Locked) {
            ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
        }
        MessageLog messages;
        SetMessageAnswerer([&c](const TMessageRequest&) { return c.Answer; });
        Window->SaveTo(base, 0);  // the default type adds .PDF
        held.close();
        EXPECT_EQ(messages.Texts(), c.Messages);
        EXPECT_EQ(content() != QByteArray("older file"), c.Replaced);
    }
    EXPECT_EQ(PdfPageCount(written), Pages);
}

TEST_F(PreviewTest, FindIsUnavailableAndTheWaitCursorShowsWhileASearchRuns) {
    // Enough pages for the search to hand the event loop its turn on the way.
    auto many = listing::MakeListing(37 * 140);
    many->Report->PreviewModal();
    TVRStandardPreview window(*many->Report->VRPrinter());
    ASSERT_GT(window.PageCount(), 128);
    ShowActive(window);
    ModalCounter dialogs;
    bool findEnabled = true;
    int during = 0;
    int cursorDuring = -1;
    QTimer::singleShot(0, &window, [&] {
        ++during;
        findEnabled = window.Button(QStringLiteral("FindButton"))->isEnabled();
        cursorDuring = OverrideCursorShape();
        window.FindButtonClick();  // a search dialog here would be rejected and counted
    });
    window.SearchPages(StreetName(5000), true);
    EXPECT_EQ(during, 1);
    EXPECT_FALSE(findEnabled);
    EXPECT_EQ(cursorDuring, int(Qt::WaitCursor));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dialogs.Count, 0);
    EXPECT_TRUE(window.Button(QStringLiteral("FindButton"))->isEnabled());
    EXPECT_EQ(window.SearchResultBox()->item(0)->text(),
              QStringLiteral("Page %1").arg((5000 - 1) / 37 + 1));
    EXPECT_TRUE(window.CanClose());
}

TEST_F(PreviewTest, PrintFailuresAreSaidAndOtherCommandsWaitForThePrint) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "printers are installed: printing would not fail";
    MessageLog messages;
    QStringList enabledDuringThePrint;
    QTimer::singleShot(0, Window.get(), [&] {
        for (const char* name : {"ExitButton", "Print", "PrintSetup", "SaveReport", "LoadReport"})
            if (Window->Button(QString::fromLatin1(name))->isEnabled())
                enabledDuringThePrint << QString::fromLatin1(name);
    });
    Runs = 0;
    Window->PrintClick();
    EXPECT_EQ(Runs, 1);
    EXPECT_TRUE(enabledDuringThePrint.isEmpty()) << enabledDuringThePrint.join(' ').toStdString();
    EXPECT_TRUE(Window->Button(QStringLiteral("SaveReport"))->isEnabled());

    // Stored pages (a loaded file) with nothing to print them on.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("listagem.VRP"));
    Window->SaveTo(file, 1);
    Window->LoadFrom(file);
    Window->Button(QStringLiteral("Print"))->click();
    EXPECT_EQ(messages.Texts(),
              (QStringList{QStringLiteral("The printer could not start the document - nothing was "
                                          "printed."),
                           QStringLiteral("No printer is installed - nothing was printed.")}));
}

// An export from the modal preview stops when the user clicks its progress window's
// Cancel (which the modal preview must not block) or presses Escape in the preview.
TEST_F(PreviewTest, ExportFromTheModalPreviewIsCancelledByProgressCancelOrEscapeAndSaysSo) {
    Window.reset();
    InstallPreviewWindow();
    TVRReport& report = *Listing->Report;
    report.ShowProgressWindow = true;
    const TVRCSVFilter csv;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("listagem.CSV"));
    struct Case {
        const char* What;
        std::function<void(TVRStandardPreview*, QWidget* progress)> Stop;
    };
    const Case cases[] = {
        {"progress window's Cancel",
         [](TVRStandardPreview*, QWidget* progress) {
             ClickAsTheWindowSystem(
                 progress->findChild<QPushButton*>(QStringLiteral("CancelButton")));
         }},
        {"Escape in the preview", [](TVRStandardPreview* preview,
                                     QWidget*) { PressKey(preview->VRPreview(), Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        MessageLog messages;
        QString caption;
        bool cancelledInTheRun = false;
        bool previewStayed = false;
        WhenModal<TVRStandardPreview>([&](TVRStandardPreview* preview) {
            // Once the export runs, it is stopped.
            QTimer::singleShot(0, preview, [&, preview] {
                for (QWidget* window : QApplication::topLevelWidgets())
                    if (window->objectName() == QLatin1String("VRProgressForm") &&
                        window->isVisible()) {
                        caption = window->windowTitle();
                        c.Stop(preview, window);
                        cancelledInTheRun = report.UserCancel;
                        previewStayed = preview->isVisible();
                    }
            });
            preview->SaveTo(file, 0);
            preview->close();
        });
        report.PreviewModal();
        EXPECT_EQ(caption, QStringLiteral("Export Progress"));
        EXPECT_TRUE(cancelledInTheRun);
        EXPECT_TRUE(previewStayed);
        EXPECT_EQ(
            messages.Texts(),
            QStringList{QStringLiteral("The export was cancelled - listagem.CSV was not saved.")});
    }
}

TEST_F(PreviewTest, EnteringTheViewKeepsTheScrollPositionAndOnlyANewSizeRefits) {
    TVRPreview& view = *Window->VRPreview();
    view.setParent(nullptr);  // sized by the test, not the window's layout
    const auto giveBack = qScopeGuard([&] { view.setParent(Window.get()); });
    ShowActive(view);
    view.resize(1000, 300);
    Window->ZoomToWidthClick();
    ASSERT_EQ(view.Zoom(), 80);
    QScrollBar* down = view.verticalScrollBar();
    ASSERT_GT(down->maximum(), 200);
    down->setValue(150);

    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&view, &out);
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&view, &in);
    EXPECT_EQ(view.Zoom(), 80);
    EXPECT_EQ(down->value(), 150);

    // A new width fits the page again, where the user was.
    view.resize(900, 300);
    EXPECT_EQ(view.Zoom(), 72);
    EXPECT_EQ(down->value(), 150);
}

TEST_F(PreviewTest, PrinterSetupChoicesReachTheNextPrintJob) {
    TVRReport& report = *Listing->Report;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("impresso.pdf"));
    QPrinter chosen(QPrinter::HighResolution);
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setOutputFileName(file);
    chosen.setResolution(300);
    chosen.setPageOrientation(QPageLayout::Landscape);
    TakePrinterChoice(chosen, false, &report, Printer());

    // Which edge the sheet turns on survives (a file printer has no duplex, so the
    // dialog's choice is taken as it comes from it).
    const std::pair<QPrinter::DuplexMode, int> duplexes[] = {
        {QPrinter::DuplexNone, 1}, {QPrinter::DuplexLongSide, 2}, {QPrinter::DuplexShortSide, 3}};
    for (const auto& [mode, code] : duplexes) {
        TVRPrinterSettings settings;
        TakeDuplex(mode, settings);
        EXPECT_EQ(DeviceDuplexCode(settings), code);
        EXPECT_EQ(ChosenDuplex(settings), mode);
    }

    // Quality and file reach the job.
    QPrinter job(QPrinter::HighResolution);
    ApplyPrinterSettings(report.PrinterSettings(), job);
    EXPECT_EQ(job.resolution(), 300);
    EXPECT_EQ(job.outputFileName(), file);
    MessageLog messages;
    Window->PrintClick();
    EXPECT_EQ(PdfPageCount(file), Pages);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join('|').toStdString();
}

// The print system's job options (odd pages, pages per sheet), where the system printer
// carries them (a printer of the print system; a file printer has none).
TEST_F(PreviewTest, PrinterSetupJobOptionsReachTheNextPrintJob) {
    TVRReport& report = *Listing->Report;
    QPrinter native(QPrinter::HighResolution);
    const QStringList options{QStringLiteral("page-set"), QStringLiteral("odd"),
                              QStringLiteral("number-up"), QStringLiteral("2")};
    native.printEngine()->setProperty(QPrintEngine::PrintEnginePropertyKey(PrintJobOptionsKey),
                                      options);
    if (PrintJobOptions(native) != options) GTEST_SKIP() << "the printer keeps no job options";
    TakePrinterChoice(native, false, &report, Printer());
    EXPECT_EQ(report.PrinterSettings().JobOptions, options);
    QPrinter next(QPrinter::HighResolution);
    ApplyPrinterSettings(report.PrinterSettings(), next);
    EXPECT_EQ(PrintJobOptions(next), options);
}

}  // namespace
