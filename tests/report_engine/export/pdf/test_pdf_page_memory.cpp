// The memory a PDF document keeps its finished pages in.
#include <gtest/gtest.h>

#include <QByteArray>
#include <vector>

#include "report_engine/export/pdf/PDFPageMemory.h"

TEST(PDFPageMemory, KeptPagesStayIntactAcrossBlocksOfAnySize) {
    PDFPageMemory memory;
    // Small pages, one larger than a whole block, and enough after it to need more
    // blocks: every view still reads its own bytes at the end.
    std::vector<QByteArray> pages;
    for (int i = 0; i < 40; ++i) pages.push_back(QByteArray(300 * 1024 + i, char('a' + i % 26)));
    pages.insert(pages.begin() + 5, QByteArray(9 << 20, 'Z'));
    pages.push_back(QByteArray());
    std::vector<QByteArrayView> kept;
    for (const QByteArray& page : pages) kept.push_back(memory.Keep(page));

    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kept[i].size(), pages[i].size());
        EXPECT_TRUE(kept[i] == QByteArrayView(pages[i]));
    }
    EXPECT_TRUE(kept.back().isEmpty());
    memory.Release();
}
