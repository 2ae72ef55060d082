// What assistive technology sees: every window's accessibility tree, walked offscreen,
// names each control a person can act on; the preview's toolbar buttons say what they
// do and which key does it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QHeaderView>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "reports/uFrm_PorGeral.h"
#include "shell/uFrm_Principal.h"
#include "tests/registry/RegistryFixture.h"
#include "tests/support/AccessibilityWalk.h"
#include "tests/support/ListingFixture.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TEdit.h"

namespace {

using AccessibilityTest = RegistryTest;

QString AccessibleText(QWidget* control, QAccessible::Text text) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(control);
    return node ? node->text(text) : QString();
}

TEST_F(AccessibilityTest, RegistryWindowOnBothPages) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "DAS FLORES"}}));
    EXPECT_EQ(UnnamedInteractiveControls(frm), QStringList());

    frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
    QApplication::processEvents();
    ASSERT_TRUE(frm.DBGrid1->isVisible());
    EXPECT_EQ(UnnamedInteractiveControls(frm), QStringList());
    emit frm.DBGrid1->horizontalHeader()->sectionClicked(6);  // shows the search box
    ASSERT_TRUE(frm.Procura->isVisible());
    EXPECT_EQ(UnnamedInteractiveControls(frm), QStringList());
    // The two year boxes say whose year they hold.
    EXPECT_NE(AccessibleText(frm.C2, QAccessible::Name),
              AccessibleText(frm.C4J, QAccessible::Name));
}

// Pixels of the outer two-pixel ring of a grab that differ between two grabs: a focus
// mark there is plain to see, unlike the faint frame of the current cell.
int ChangedEdgePixels(const QImage& before, const QImage& after) {
    int changed = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const bool edge = x < 2 || y < 2 || x >= before.width() - 2 || y >= before.height() - 2;
            if (edge && before.pixel(x, y) != after.pixel(x, y)) ++changed;
        }
    return changed;
}

TEST_F(AccessibilityTest, FocusOnTheSearchGridIsVisible) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "DAS FLORES"}, {2, "AV", "BRASIL"}}));
    frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
    QApplication::processEvents();
    frm.PageControl1->tabBar()->setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(frm.DBGrid1->hasFocus());
    const QImage unfocused = frm.DBGrid1->grab().toImage();
    frm.DBGrid1->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(frm.DBGrid1->hasFocus());
    QApplication::processEvents();
    const QImage focused = frm.DBGrid1->grab().toImage();
    // Most of the edge lights up while the grid has the focus, and goes out after.
    EXPECT_GT(ChangedEdgePixels(unfocused, focused),
              (focused.width() + focused.height()) * 2);
    frm.PageControl1->tabBar()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ChangedEdgePixels(unfocused, frm.DBGrid1->grab().toImage()), 0);
}

TEST_F(AccessibilityTest, MainWindowAndFilterDialog) {
    TFrm_Principal window;
    window.show();
    EXPECT_EQ(UnnamedInteractiveControls(window), QStringList());
    // A picture button says what it does, beyond its hint.
    EXPECT_FALSE(AccessibleText(window.SpeedButton6, QAccessible::Description).isEmpty());

    TFrm_PorGeral dialog;
    dialog.show();
    EXPECT_EQ(UnnamedInteractiveControls(dialog), QStringList());
}

TEST(PreviewAccessibility, EveryControlIsNamedAndButtonsTellTheirKeys) {
    const auto listing = listing::MakeListing(60);
    listing->Report->PreviewModal();
    TVRStandardPreview window(*listing->Report->VRPrinter());
    window.show();
    EXPECT_EQ(UnnamedInteractiveControls(window), QStringList());
    window.Tabs()->setCurrentWidget(window.SearchTab());
    window.SearchPages(QStringLiteral("Rua"), false);
    EXPECT_EQ(UnnamedInteractiveControls(window), QStringList());

    QToolButton* print = window.Button(QStringLiteral("Print"));
    EXPECT_EQ(AccessibleText(print, QAccessible::Name), QStringLiteral("Print"));
    EXPECT_TRUE(AccessibleText(print, QAccessible::Description).contains(QStringLiteral("Ctrl+P")));
    TVRPrinter::SetStandardPreview({});
}

}  // namespace
