// What assistive technology sees: every window's accessibility tree, walked offscreen,
// names each control a person can act on; the preview's toolbar buttons say what they
// do and which key does it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QHeaderView>
#include <QTabWidget>
#include <QToolButton>

#include "app/uFrm_Principal.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "reports/uFrm_PorGeral.h"
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
