// The preview's keyboard and what assistive technology reads of it: a key for every
// toolbar command, shown in the button's hint; names and descriptions for the
// buttons, the tabs' lists and the page view; the search results opened with Enter; a
// visible focus on the page view and the thumbnails; and a tab column wide enough for both
// captions.
#include <QKeySequence>
#include <QListWidget>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "core/Messages.h"
#include "report_engine/ui/preview/TVRPreview.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "report_engine/ui/preview/TVRThumbGrid.h"
#include "toolkit/TFocusOutline.h"

namespace {

// Each toolbar command with its key. A button with `OwnShortcut` takes the key
// itself; the others' keys are read by the window's key handling (page keys,
// Escape), so that they keep their meaning in the thumbnail and result lists.
struct PreviewKey {
    const char* Button;
    const char* Name;  // what assistive technology reads; the button's hint
    const char* Key;
    bool OwnShortcut;
};

const PreviewKey previewKeys[] = {
    {"ZoomFit", "Zoom to fit", "Ctrl+1", true},
    {"ZoomToWidth", "Zoom to width", "Ctrl+2", true},
    {"Zoom100", "100% Size", "Ctrl+0", true},
    {"ZoomPickButton", "Set Display Zoom", "Ctrl+M", true},
    {"FirstPage", "First page", "Home", false},
    {"PreviousPage", "Previous page", "PgUp", false},
    {"nextPage", "Next page", "PgDown", false},
    {"LastPage", "Last page", "End", false},
    {"GotoPageButton", "Select a Page", "Ctrl+G", true},
    {"FindButton", "Search for Text", "Ctrl+F", true},
    {"copybutton", "Copy page to clipboard", "Ctrl+C", true},
    {"PrintSetup", "Printer setup", "Ctrl+Shift+P", true},
    {"Print", "Print", "Ctrl+P", true},
    {"LoadReport", "Load report", "Ctrl+O", true},
    {"SaveReport", "Save report", "Ctrl+S", true},
    {"CancelButton", "Cancel the report", "Ctrl+.", true},
    {"ExitButton", "Close Preview", "Esc", false},
};

}  // namespace

void TVRStandardPreview::SetUpKeysAndNames() {
    for (const PreviewKey& key : previewKeys) {
        QToolButton* button = Button(QString::fromLatin1(key.Button));
        const QKeySequence sequence(QString::fromLatin1(key.Key));
        const QString keyText = sequence.toString(QKeySequence::PortableText);
        if (key.OwnShortcut) button->setShortcut(sequence);
        const QString name = QString::fromLatin1(key.Name);
        button->setToolTip(name + QStringLiteral(" (") + keyText + QStringLiteral(")"));
        button->setAccessibleName(name);
        button->setAccessibleDescription(name + QStringLiteral(", key ") + keyText);
    }

    FThumbGrid->setAccessibleName(QStringLiteral("Page thumbnails"));
    FThumbGrid->setAccessibleDescription(QStringLiteral("Choose a page to show"));
    FSearchResultBox->setAccessibleName(QStringLiteral("Search Results"));
    FSearchResultBox->setAccessibleDescription(
        QStringLiteral("Pages holding the text searched for; Enter shows the page"));
    FVRPreview->setAccessibleName(QStringLiteral("Page view"));
    FVRPreview->setAccessibleDescription(
        QStringLiteral("Arrows scroll, Page Up and Page Down turn the page"));

    // Enter (or a double click) on a result shows its page; the arrows only move.
    connect(FSearchResultBox, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { RunCommand([&] { SearchResultClicked(item); }); });

    // The page view and the thumbnails draw no focus of their own.
    new TFocusOutline(FVRPreview);
    new TFocusOutline(FThumbGrid);

    // The tab column opens wide enough for both tab captions, so that "Search Results"
    // is not cut off.
    const int tabsWidth = FTabs->tabBar()->sizeHint().width() + 4;
    const QList<int> sizes = FSplitter->sizes();
    if (sizes.size() == 2 && sizes[0] < tabsWidth)
        FSplitter->setSizes({tabsWidth, sizes[0] + sizes[1] - tabsWidth});
}

void TVRStandardPreview::FocusSearchResults() {
    if (FSearchResultBox->isEnabled() && FSearchResultBox->count() > 0) {
        FSearchResultBox->setCurrentRow(0);
        FSearchResultBox->setFocus(Qt::OtherFocusReason);
    }
}
