// The preview used with the keyboard alone, and the small things that get in the way:
// a key for every toolbar command, the search results opened with Enter, sideways
// panning, the save dialog showing lower-case files, the tab captions not cut off and
// a page view that shows when it has the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>

#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/ui/preview/TSearchDlg.h"
#include "report_engine/ui/preview/TVRPreview.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "report_engine/ui/preview/TVRThumbGrid.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/WidgetInput.h"

namespace {

QWheelEvent Wheel(QPoint pixels, QPoint angle, Qt::KeyboardModifiers modifiers) {
    return QWheelEvent(QPointF(10, 10), QPointF(10, 10), pixels, angle, Qt::NoButton, modifiers,
                       Qt::NoScrollPhase, false);
}

class PreviewKeysTest : public testing::Test {
protected:
    void SetUp() override {
        Listing = listing::MakeListing(150);
        TVRReport& report = *Listing->Report;
        report.ReportTitle = QStringLiteral("Relação de Logradouros");
        report.PreviewModal();
        ASSERT_NE(report.VRPrinter(), nullptr);
        Pages = report.VRPrinter()->PageCount();
        ASSERT_GE(Pages, 4);
        // The report's hook stands for the commands it may take over: it records each
        // and handles it, so that nothing is printed or written.
        report.OnStandPrevEvent = [this](QObject&, TVRStandPrevEventKind kind, bool& handled,
                                         const QString&) {
            if (kind == speCreate || kind == speClose) return;
            Handed << kind;
            handled = true;
        };
        Window = std::make_unique<TVRStandardPreview>(*report.VRPrinter());
        Window->resize(885, 608);
        ShowActive(*Window);
    }
    void TearDown() override {
        Window.reset();
        TVRPrinter::SetStandardPreview({});
    }

    std::unique_ptr<ListingFixture> Listing;
    std::unique_ptr<TVRStandardPreview> Window;
    QList<TVRStandPrevEventKind> Handed;
    int Pages = 0;
};

TEST_F(PreviewKeysTest, EveryToolbarCommandHasAKey) {
    TVRStandardPreview& window = *Window;
    TVRPreview& view = *window.VRPreview();
    QString modalSeen;
    const auto seeModal = [&modalSeen]<class Box>(Box*) {
        WhenModal<Box>([&modalSeen](Box* box) {
            modalSeen = box->windowTitle();
            box->reject();
        });
    };
    bool menuOpened = false;
    QObject::connect(window.ZoomMenu(), &QMenu::aboutToShow, [&menuOpened] { menuOpened = true; });
    struct Case {
        const char* Command;
        int Key;
        Qt::KeyboardModifiers Modifiers;
        std::function<void()> Before;
        std::function<bool()> Done;
    };
    const auto handed = [this](TVRStandPrevEventKind kind) {
        return [this, kind] { return Handed == QList<TVRStandPrevEventKind>{kind}; };
    };
    const auto onPage = [&window](int page) {
        return [&window, page] { return window.PageNumber() == page; };
    };
    const auto fromPage = [&window](int page) {
        return [&window, page] { window.SelectPage(page); };
    };
    const auto nothing = [] {};
    const Case cases[] = {
        {"ZoomToWidth", Qt::Key_2, Qt::ControlModifier, nothing,
         [&] { return view.ZoomState() == vrZoomToWidth; }},
        {"ZoomFit", Qt::Key_1, Qt::ControlModifier, nothing,
         [&] { return view.ZoomState() == vrZoomToFit; }},
        {"Zoom100", Qt::Key_0, Qt::ControlModifier,
         [&] { window.ZoomMenuClick(QStringLiteral("N150")); },
         [&] {
             return view.Zoom() == 100 && window.Button(QStringLiteral("Zoom100"))->isChecked();
         }},
        {"ZoomPickButton", Qt::Key_M, Qt::ControlModifier, nothing,
         [&] {
             if (!menuOpened) return false;
             window.ZoomMenu()->hide();
             return true;
         }},
        {"nextPage", Qt::Key_PageDown, Qt::NoModifier, fromPage(2), onPage(3)},
        {"PreviousPage", Qt::Key_PageUp, Qt::NoModifier, fromPage(3), onPage(2)},
        {"LastPage", Qt::Key_End, Qt::NoModifier, fromPage(2), onPage(Pages)},
        {"FirstPage", Qt::Key_Home, Qt::NoModifier, fromPage(3), onPage(1)},
        {"GotoPageButton", Qt::Key_G, Qt::ControlModifier,
         [&] { seeModal((QInputDialog*)nullptr); },
         [&] { return modalSeen.startsWith(QStringLiteral("Select a page from 1 to")); }},
        {"FindButton", Qt::Key_F, Qt::ControlModifier, [&] { seeModal((TSearchDlg*)nullptr); },
         [&] { return modalSeen == QStringLiteral("Search for Text"); }},
        {"copybutton", Qt::Key_C, Qt::ControlModifier, nothing, handed(speCopy)},
        {"PrintSetup", Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier, nothing,
         handed(spePrintSetup)},
        {"Print", Qt::Key_P, Qt::ControlModifier, nothing, handed(spePrint)},
        {"LoadReport", Qt::Key_O, Qt::ControlModifier, nothing, handed(speLoad)},
        {"SaveReport", Qt::Key_S, Qt::ControlModifier, nothing, handed(speSave)},
        // Cancel is enabled while a run goes on; the finished run stands for one here.
        {"CancelButton", Qt::Key_Period, Qt::ControlModifier,
         [&] { window.Button(QStringLiteral("CancelButton"))->setEnabled(true); },
         handed(speCancel)},
        {"ExitButton", Qt::Key_Escape, Qt::NoModifier, nothing,
         [&] { return !window.isVisible(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Command);
        Handed.clear();
        modalSeen.clear();
        c.Before();
        ShowActive(window);  // back from the last case's dialog
        view.setFocus();
        PressKeyOrShortcut(&view, c.Key, c.Modifiers);
        // A button's key clicks it a moment later, as a pressed button shows.
        EXPECT_TRUE(WaitFor(c.Done, 2000));
    }
}

TEST_F(PreviewKeysTest, SearchResultsMoveWithArrowsAndOpenWithEnter) {
    WhenModal<TSearchDlg>([](TSearchDlg* dialog) {
        dialog->SetSearchText(QStringLiteral("Rua"));
        dialog->accept();
    });
    Window->FindButtonClick();
    ShowActive(*Window);  // back from the dialog
    QListWidget& results = *Window->SearchResultBox();
    ASSERT_GE(results.count(), 3);
    ASSERT_EQ(Window->focusWidget(), &results);
    EXPECT_EQ(results.currentRow(), 0);

    Window->SelectPage(1);
    PressKeyOrShortcut(&results, Qt::Key_Down);
    PressKeyOrShortcut(&results, Qt::Key_Down);
    EXPECT_EQ(results.currentRow(), 2);
    EXPECT_EQ(Window->PageNumber(), 1);  // moving only moves
    PressKeyOrShortcut(&results, Qt::Key_Up);
    PressKeyOrShortcut(&results, Qt::Key_Return);
    EXPECT_EQ(Window->PageNumber(), results.item(1)->data(Qt::UserRole).toInt());
    EXPECT_EQ(Window->PageNumber(), 2);
}

TEST_F(PreviewKeysTest, SidewaysWheelAndShiftWheelPanHorizontally) {
    TVRPreview& view = *Window->VRPreview();
    view.SetZoom(300);
    QScrollBar* across = view.horizontalScrollBar();
    QScrollBar* down = view.verticalScrollBar();
    ASSERT_GT(across->maximum(), 1000);
    const int notch = across->singleStep();

    struct Case {
        const char* Movement;
        QPoint Pixels, Angle;
        Qt::KeyboardModifiers Modifiers;
        int Across;  // how far right the page moves into view
    };
    const Case cases[] = {
        {"wheel with Shift, towards the user",
         {},
         {0, -120},
         Qt::ShiftModifier,
         qRound(1.75 * notch)},
        {"tilted wheel, right", {}, {-120, 0}, Qt::NoModifier, qRound(1.75 * notch)},
        {"touchpad, 40 pixels left", {-40, 0}, {-120, 0}, Qt::NoModifier, 70},
        {"touchpad, 20 pixels back", {20, 0}, {60, 0}, Qt::NoModifier, -35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Movement);
        across->setValue(500);
        down->setValue(0);
        QWheelEvent event = Wheel(c.Pixels, c.Angle, c.Modifiers);
        QApplication::sendEvent(view.viewport(), &event);
        EXPECT_EQ(across->value(), 500 + c.Across);
        EXPECT_EQ(down->value(), 0);
        EXPECT_EQ(Window->PageNumber(), 1);
    }

    // A movement the view does not use is left for the window.
    QWheelEvent still = Wheel({}, {}, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &still);
    EXPECT_FALSE(still.isAccepted());
    QWheelEvent used = Wheel({}, {0, -120}, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &used);
    EXPECT_TRUE(used.isAccepted());
}

// Every type of the save dialog lists its files in either case, also where the names
// are compared exactly (the desktop's own file dialogs do).
TEST_F(PreviewKeysTest, SaveDialogTypesListLowerCaseFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"listagem.pdf", "ANTIGA.PDF", "listagem.vrp", "notas.txt"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QStringList types = Window->SaveDialogTypes();
    ASSERT_GE(types.size(), 2);
    const auto listed = [&folder](const QString& type) {
        // "Description (*.A *.a)": the patterns between the brackets.
        const qsizetype open = type.lastIndexOf(QLatin1Char('('));
        const QStringList patterns =
            type.mid(open + 1).chopped(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList names =
            QDir(folder.path()).entryList(patterns, QDir::Files | QDir::CaseSensitive);
        names.sort();
        return names;
    };
    EXPECT_EQ(listed(types[0]),
              (QStringList{QStringLiteral("ANTIGA.PDF"), QStringLiteral("listagem.pdf")}));
    EXPECT_EQ(listed(types[1]), QStringList{QStringLiteral("listagem.vrp")});

    // Qt's own dialog shows them as well.
    Listing->Report->OnStandPrevEvent = {};
    QStringList shown;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->setDirectory(folder.path());
        auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        const auto names = [list] {
            QStringList visible;
            for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row)
                visible << list->model()->index(row, 0, list->rootIndex()).data().toString();
            return visible;
        };
        if (!list) ADD_FAILURE() << "the file dialog has no list";
        WaitFor([&] { return names().size() >= 2; }, 3000);
        shown = names();
        dialog->reject();
    });
    Window->SaveReportClick();
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("ANTIGA.PDF"), QStringLiteral("listagem.pdf")}));
}

TEST_F(PreviewKeysTest, BothTabCaptionsShowAtTheOpeningWidth) {
    QTabBar* tabs = Window->Tabs()->tabBar();
    // The bar's wish is every tab at its full caption's width.
    EXPECT_LE(tabs->sizeHint().width(), tabs->width());
    for (int tab = 0; tab < tabs->count(); ++tab) {
        SCOPED_TRACE(tabs->tabText(tab).toStdString());
        EXPECT_LE(tabs->tabRect(tab).right(), tabs->width() - 1);
    }
}

TEST_F(PreviewKeysTest, FocusOnThePageViewAndThumbnailsIsVisible) {
    for (QWidget* control :
         {static_cast<QWidget*>(Window->VRPreview()), static_cast<QWidget*>(Window->ThumbGrid())}) {
        SCOPED_TRACE(control->objectName().toStdString());
        Window->Button(QStringLiteral("ExitButton"))->setFocus();
        QApplication::processEvents();
        const QImage unfocused = control->grab().toImage();
        control->setFocus();
        ASSERT_TRUE(control->hasFocus());
        QApplication::processEvents();
        EXPECT_NE(control->grab().toImage(), unfocused);
    }
}

}  // namespace
