#include <gtest/gtest.h>

#include "report_engine/export/TVRExportFilter.h"

namespace {

// Stand-ins with the names and extensions of the program's four filters.
class TextFilter : public TVRExportFilter {
public:
    using TVRExportFilter::TVRExportFilter;
    QString GetFilterName() override { return "Text file"; }
    QString GetExtension() override { return "TXT"; }
};
class CsvFilter : public TVRExportFilter {
public:
    using TVRExportFilter::TVRExportFilter;
    QString GetFilterName() override { return "Comma Separated"; }
    QString GetExtension() override { return "CSV"; }
};
class PdfFilter : public TVRExportFilter {
public:
    using TVRExportFilter::TVRExportFilter;
    QString GetFilterName() override { return "PDF document"; }
    QString GetExtension() override { return "PDF"; }
};
class HtmlFilter : public TVRExportFilter {
public:
    using TVRExportFilter::TVRExportFilter;
    QString GetFilterName() override { return "HTML document"; }
    QString GetExtension() override { return "HTM"; }
};

void RegisterProgramFilters(TVRExportFilterLibrary& library) {
    library.AddFilter<TextFilter>("TVRAsciiExportFilter");
    library.AddFilter<CsvFilter>("TVRCommaSeparatedFilter");
    library.AddFilter<PdfFilter>("TVRPDFDocumentFilter");
    library.AddFilter<HtmlFilter>("TVRGHTMLDocumentFilter");
}

}  // namespace

TEST(FilterLibrary, SaveDialogListsTheNativeFileThenTheFiltersInOrder) {
    TVRExportFilterLibrary library;
    EXPECT_EQ(library.GetSaveDialogFilter(), "Vialar report file(*.VRP)|*.VRP");
    RegisterProgramFilters(library);
    library.AddFilter<CsvFilter>("TVRCommaSeparatedFilter");  // registered twice: kept once
    EXPECT_EQ(library.Count(), 4);
    EXPECT_EQ(library.GetSaveDialogFilter(),
              "Vialar report file(*.VRP)|*.VRP"
              "|Text file (*.TXT)|*.TXT"
              "|Comma Separated (*.CSV)|*.CSV"
              "|PDF document (*.PDF)|*.PDF"
              "|HTML document (*.HTM)|*.HTM");
}

TEST(FilterLibrary, FindsByExtensionIgnoringCaseAndCreatesForAFile) {
    TVRExportFilterLibrary library;
    RegisterProgramFilters(library);
    const TVRExportFilterLibraryEntry* entry = library.GetFilterByExtension("pdf");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->FName, "PDF document");
    const auto filter = entry->FExportFilterClass.Create("/tmp/listagem.pdf");
    EXPECT_EQ(filter->FileName(), "/tmp/listagem.pdf");
    EXPECT_EQ(filter->GetExtension(), "PDF");
    EXPECT_EQ(library.GetFilterByExtension("xyz"), nullptr);
    EXPECT_EQ(library.GetFilterByExtension(""), nullptr);
}

TEST(FilterLibrary, RemoveTakesOutOnlyThatFilter) {
    TVRExportFilterLibrary library;
    RegisterProgramFilters(library);
    library.RemoveFilter<CsvFilter>("TVRCommaSeparatedFilter");
    ASSERT_EQ(library.Count(), 3);
    EXPECT_EQ(library.GetFilterByExtension("CSV"), nullptr);
    EXPECT_EQ(library.Filters()[1].FName, "PDF document");
    // Registering again appends it at the end.
    library.AddFilter<CsvFilter>("TVRCommaSeparatedFilter");
    EXPECT_EQ(library.Filters().last().FExtension, "CSV");
}

TEST(FilterLibrary, BaseFilterIsActiveFromStartToFinish) {
    TVRExportFilter filter("out.x");
    EXPECT_EQ(filter.GetFilterName(), "Abstract filter");
    EXPECT_EQ(filter.GetDescription(), "Abstract non-working export filter");
    EXPECT_FALSE(filter.GetStreaming());
    EXPECT_FALSE(filter.Active());
    filter.Start(2970, 2100, TVRFont());
    EXPECT_TRUE(filter.Active());
    filter.Finish();
    EXPECT_FALSE(filter.Active());
}
