// The text and CSV filters: the character grid, the CSV position tables, the encodings
// of the written files, the listing exported through a report run and read back with a
// real CSV reader, and targets that cannot be written.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/Exception.h"
#include "report_engine/export/TextEncoding.h"
#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "report_engine/export/text/TextExportSettings.h"
#include "tests/support/FileContents.h"
#include "tests/support/ListingFixture.h"

namespace {

// The lines of a file written in code page 1252 with CR LF line ends (the texts of
// these tests are all in Latin-1, which 1252 writes alike).
QStringList FileLines(const QString& fileName) {
    QStringList lines = QString::fromLatin1(ReadFile(fileName)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

TVRFont ReportFont(int points = 10) {
    TVRFont font;
    font.Size = points;
    return font;
}

// Sets the process-wide text settings for one test and puts back what was there.
class TextSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        saved = TextExportSettings();
        TextExportSettings().TextEncoding = DefaultEncoding;
        TextExportSettings().Separator = u';';
    }
    void TearDown() override { TextExportSettings() = saved; }

    QTemporaryDir folder;
    TVRTextExportSettings saved;
};

// Drives a filter the way a report run does: Start, the EndPage before the first page,
// then one NewPage ... EndPage per page given as a function, and Finish.
template <class Filter, class... Pages>
void RunPages(Filter& filter, const TVRFont& font, Pages... pages) {
    filter.Start(2970, 2100, font);
    filter.EndPage();
    (
        [&] {
            filter.NewPage();
            pages(filter);
            filter.EndPage();
        }(),
        ...);
    filter.Finish();
}

}  // namespace

// ---- Encodings ---------------------------------------------------------------------

TEST(TextEncodingTest, EveryEncodingWritesItsMarkItsBytesAndCrLf) {
    // "Ação €✓": ç, ã and € are in code page 1252, the check mark is not.
    const QString line = QString::fromUtf8("A\xC3\xA7\xC3\xA3o \xE2\x82\xAC\xE2\x9C\x93");
    struct Case {
        TTextEncoding Encoding;
        QByteArray Bytes;
    };
    const Case cases[] = {
        {AnsiEncoding, QByteArray("A\xE7\xE3o \x80?\r\n")},
        {DefaultEncoding, QByteArray("A\xE7\xE3o \x80?\r\n")},
        {ASCIIEncoding, QByteArray("A??o ??\r\n")},
        {UTF8Encoding, QByteArray("\xEF\xBB\xBF"
                                  "A\xC3\xA7\xC3\xA3o \xE2\x82\xAC\xE2\x9C\x93\r\n")},
        {UnicodeEncoding, QByteArray("\xFF\xFE"
                                     "A\0\xE7\0\xE3\0o\0 \0\xAC\x20\x13\x27\r\0\n\0",
                                     20)},
        {BigEndianUnicodeEncoding, QByteArray("\xFE\xFF"
                                              "\0A\0\xE7\0\xE3\0o\0 \x20\xAC\x27\x13\0\r\0\n",
                                              20)},
        {UTF7Encoding, QByteArray("A+AOcA4w-o +IKwnEw\r\n")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeLines({line}, c.Encoding), c.Bytes) << "encoding " << c.Encoding;
    // A character outside the basic plane is one character: one "?".
    EXPECT_EQ(EncodeText(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                           "b"),
                         AnsiEncoding),
              "a?b");
    // A pair split between two pieces is still one character.
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    for (const auto& [encoding, bytes] : {std::pair{AnsiEncoding, QByteArray("a?b?c")},
                                          std::pair{UTF8Encoding, QByteArray("a\xF0\x9F\x98\x80"
                                                                             "b?c")}}) {
        TVRTextEncoder encoder(encoding);
        QByteArray written;
        encoder.Encode(QString(QLatin1Char('a') + smile[0]), false, written);
        encoder.Encode(QString(smile[1] + QLatin1Char('b') + smile[0]), false, written);
        encoder.Encode(QStringLiteral("c"), true, written);  // a lone half: "?"
        EXPECT_EQ(written, bytes) << "encoding " << encoding;
    }
    EXPECT_EQ(EncodeLines({}, UTF8Encoding), "\xEF\xBB\xBF");
    EXPECT_EQ(EncodeLines({}, DefaultEncoding), "");
}

// One rule in every export: a character the file's encoding cannot hold becomes one
// "?", invisible ones included, so no export drops a character another writes and the
// text grid's later columns stay where they are.
TEST_F(TextSettingsTest, InvisibleAndUnmappableCharactersBecomeTheSameQuestionMark) {
    struct Case {
        const char* What;
        QString Text;
        TTextEncoding Encoding;  // of the text, CSV and HTML files; the PDF writes 1252
        QByteArray Written;
    };
    const Case cases[] = {
        {"zero-width space", QStringLiteral("a\u200Bb"), AnsiEncoding, "a?b"},
        {"zero-width space", QStringLiteral("a\u200Bb"), ASCIIEncoding, "a?b"},
        {"soft hyphen", QStringLiteral("a\u00ADb"), ASCIIEncoding, "a?b"},
        {"soft hyphen", QStringLiteral("a\u00ADb"), AnsiEncoding, "a\xAD"
                                                                   "b"},
        {"zero-width no-break space", QStringLiteral("a\uFEFFb"), DefaultEncoding, "a?b"},
        {"word joiner", QStringLiteral("a\u2060b"), AnsiEncoding, "a?b"},
        {"zero-width joiner", QStringLiteral("a\u200Db"), ASCIIEncoding, "a?b"},
        {"check mark", QStringLiteral("a\u2713b"), AnsiEncoding, "a?b"},
    };
    const TVRFont font = ReportFont();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.What) + " in encoding " + std::to_string(c.Encoding));
        TextExportSettings().TextEncoding = c.Encoding;
        const auto page = [&](TVRExportFilter& f) {
            f.TextOut(100, 100, font, clWhite, taLeftJustify, c.Text);
            f.TextOut(100 + 5 * 20.75, 100, font, clWhite, taLeftJustify, "z");
        };
        TVRAsciiExportFilter text(folder.filePath("substitution.txt"));
        RunPages(text, font, page);
        // The grid keeps one character for it: "z" stays in its column.
        EXPECT_EQ(ReadFile(folder.filePath("substitution.txt")), "    " + c.Written + "  z\r\n");
        TVRCommaSeparatedFilter csv(folder.filePath("substitution.csv"));
        RunPages(csv, font, page);
        EXPECT_EQ(ReadFile(folder.filePath("substitution.csv")), "\"" + c.Written + "\";\"z\"\r\n");

        const TVRHTMLExportSettings savedHtml = HTMLExportSettings();
        TVRGHTMLDocumentFilter html{QString()};
        HTMLExportSettings().TextEncoding = c.Encoding;
        RunPages(html, font, page);
        HTMLExportSettings() = savedHtml;
        EXPECT_TRUE(html.Document().contains("\r\n" + c.Written + "\r\n</DIV>"));

        if (c.Encoding == ASCIIEncoding) continue;
        const TVRPDFSettings savedPdf = PDFExportSettings();
        PDFExportSettings().SuppressDateTime = true;
        TVRPDFDocumentFilter pdf{QString()};
        RunPages(pdf, font, page);
        PDFExportSettings() = savedPdf;
        EXPECT_TRUE(pdf.MemoryStream().contains(" Tm (" + c.Written + ") Tj\r\n"));
    }
}

// ---- Text filter -------------------------------------------------------------------

TEST(TextGridTest, OverwritesPadsAndPlacesInFront) {
    struct Case {
        const char* Line;
        double Column;
        const char* Text;
        const char* Result;
    };
    const Case cases[] = {
        {"", 4.82, "Rua", "    Rua"},           // padded to column 5
        {"", 0.4, "Rua", "Rua"},                // rounds below 1: in front
        {"abcdefgh", 3, "XY", "abXYefgh"},      // overwrites, keeps the rest
        {"abcdefgh", 7.2, "XYZ", "abcdefXYZ"},  // runs past the end
        {"abc", 3.4, "XY", "abXY"},             // beyond the length but rounds inside
        {"abc", 5, "XY", "abc XY"},             // beyond: spaces up to the column
        {"abc", -2, "XY", "XYabc"},             // below 1: nothing deleted
        {"abc", 1e300, "", "abc"},              // no endless line for a stray position
    };
    for (const Case& c : cases) {
        QString line = QString::fromLatin1(c.Line);
        if (c.Column > 1e6) {
            OverwriteOnGridLine(line, c.Column, QString::fromLatin1(c.Text));
            EXPECT_LE(line.size(), 100001);
            continue;
        }
        OverwriteOnGridLine(line, c.Column, QString::fromLatin1(c.Text));
        EXPECT_EQ(line, QString::fromLatin1(c.Result)) << c.Line << " at " << c.Column;
    }
}

TEST_F(TextSettingsTest, TextFilterWritesTheGridLinesOfEveryPage) {
    const QString fileName = folder.filePath("grid.txt");
    TVRAsciiExportFilter filter(fileName);
    const TVRFont font = ReportFont(10);
    const double cell = 254.0 / 72.0 * 10;
    const double column = cell / 1.7;
    RunPages(
        filter, font,
        [&](TVRExportFilter& f) {
            f.TextOut(100, 35, font, clWhite, taLeftJustify, "Rua Um");
            f.TextOut(100 + 4 * column, 35, font, clWhite, taLeftJustify, "XY");  // over "Um"
            // Right-aligned: ends just before its anchor column.
            f.TextOut(20 * column, 3 * cell, font, clWhite, taRightJustify, "1990");
            f.TextOut(100, 59 * cell, font, clWhite, taLeftJustify, "last line");
            f.TextOut(100, 60 * cell, font, clWhite, taLeftJustify, "below the page");
        },
        [](TVRExportFilter&) {},  // an empty page adds nothing
        [&](TVRExportFilter& f) { f.TextOut(100, 0, font, clWhite, taLeftJustify, "page 3"); });
    EXPECT_NEAR(filter.CellSize(), 35.2778, 1e-4);
    EXPECT_EQ(filter.PageLineCount(), 60);
    EXPECT_EQ(ReadFile(fileName),
              "    Rua XY\r\n"
              "               1990\r\n"
              "    last line\r\n"
              "    page 3\r\n");
}

TEST_F(TextSettingsTest, TextOutsideTheGridIsDroppedNotWritten) {
    // A 1-point font makes 595 cells of a page, more than the grid's 201 lines.
    const TVRFont font = ReportFont(1);
    TVRAsciiExportFilter filter{QString()};
    const double cell = 254.0 / 72.0;
    RunPages(filter, font, [&](TVRExportFilter& f) {
        f.TextOut(0, 200 * cell, font, clWhite, taLeftJustify, "line 200");
        f.TextOut(0, 201 * cell, font, clWhite, taLeftJustify, "line 201");
        f.TextOut(0, 1000 * cell, font, clWhite, taLeftJustify, "line 1000");
        f.TextOut(0, -5 * cell, font, clWhite, taLeftJustify, "line -5");
    });
    EXPECT_EQ(filter.PageLineCount(), 595);
    EXPECT_EQ(filter.OutputLines(), QStringList{"line 200"});
}

TEST_F(TextSettingsTest, BigEndianTextFileIsWrittenWithItsMark) {
    TextExportSettings().TextEncoding = BigEndianUnicodeEncoding;
    const QString fileName = folder.filePath("be.txt");
    TVRAsciiExportFilter filter(fileName);
    const TVRFont font = ReportFont();
    RunPages(filter, font, [&](TVRExportFilter& f) {
        f.TextOut(0, 0, font, clWhite, taLeftJustify, QString::fromUtf8("\xC3\xA9"));
    });
    EXPECT_EQ(ReadFile(fileName), QByteArray("\xFE\xFF\x00\xE9\x00\r\x00\n", 8));
}

// ---- CSV filter --------------------------------------------------------------------

TEST_F(TextSettingsTest, CsvRecordsFollowTheNumberedPositions) {
    const QString fileName = folder.filePath("records.csv");
    TVRCommaSeparatedFilter filter(fileName);
    const TVRFont font = ReportFont();
    RunPages(
        filter, font,
        [&](TVRExportFilter& f) {
            f.TextOut(100, 50, font, clWhite, taLeftJustify, "Nome");
            f.TextOut(500, 50, font, clWhite, taLeftJustify, "Tipo");
            f.TextOut(900, 50, font, clWhite, taRightJustify, "Ano");
            f.TextOut(100, 90, font, clWhite, taLeftJustify, "Rua");
            f.TextOut(900, 90, font, clWhite, taRightJustify, "1990");
            f.TextOut(100, 150, font, clWhite, taLeftJustify, QString::fromUtf8("Praça \"Sé\""));
        },
        [](TVRExportFilter&) {},  // no texts: no records
        [&](TVRExportFilter& f) {
            // B lies 0.4 mm right of A and shares its column; the number its own position
            // got (2) stays unused, so every record has an empty field there. D lies
            // 0.5 mm right of C and gets a column of its own.
            f.TextOut(100, 50, font, clWhite, taLeftJustify, "A");
            f.TextOut(200, 50, font, clWhite, taLeftJustify, "C");
            f.TextOut(104, 80, font, clWhite, taLeftJustify, "B");
            f.TextOut(205, 80, font, clWhite, taLeftJustify, "D");
        });
    EXPECT_EQ(FileLines(fileName), (QStringList{
                                        R"("Nome";"Tipo";"Ano")",
                                        R"("Rua";"";"1990")",
                                        QString::fromUtf8(R"("Praça ""Sé""";"";"")"),
                                        R"("A";"";"C";"")",
                                        R"("B";"";"";"D")",
                                    }));
    // Code page 1252 and CR LF after every record.
    EXPECT_EQ(ReadFile(fileName),
              "\"Nome\";\"Tipo\";\"Ano\"\r\n\"Rua\";\"\";\"1990\"\r\n"
              "\"Pra\xE7"
              "a \"\"S\xE9\"\"\";\"\";\"\"\r\n"
              "\"A\";\"\";\"C\";\"\"\r\n\"B\";\"\";\"\";\"D\"\r\n");
}

TEST(CsvPositionsTest, RoundedTwinsShareAnEntryAndNumbersAscend) {
    TVRPositions positions;
    for (double value : {300.0, 100.5, 100.25, 0.0, 200.0, 99.75}) positions.Add(value);
    positions.NumberPositions();
    ASSERT_EQ(positions.Entries().size(), 4);  // 100.5, 100.25 and 99.75 round to 100
    EXPECT_EQ(positions.Entries()[1].Position, 100.5);
    EXPECT_EQ(positions.Entries()[1].Count, 3);
    EXPECT_EQ(positions.NumberOf(300, 4), 3);
    EXPECT_EQ(positions.NumberOf(104.5, 4), 1);  // the latitude includes its end
    EXPECT_EQ(positions.NumberOf(104.75, 4), 0);
    EXPECT_EQ(positions.NumberOf(0, 4), 0);  // the page's edge takes no number
}

TEST_F(TextSettingsTest, ReportWithoutTextsGivesEmptyFiles) {
    TextExportSettings().TextEncoding = UTF8Encoding;
    auto listing = listing::MakeListing(0);
    listing->Report->PrintIfEmpty = false;
    const QString text = folder.filePath("empty.txt");
    const QString csv = folder.filePath("empty.csv");
    TVRAsciiExportFilter textFilter(text);
    listing->Report->ExportToFilter(textFilter);
    TVRCommaSeparatedFilter csvFilter(csv);
    listing->Report->ExportToFilter(csvFilter);
    EXPECT_EQ(ReadFile(text), "\xEF\xBB\xBF");
    EXPECT_EQ(ReadFile(csv), "\xEF\xBB\xBF");
}

// ---- The listing through a report run -----------------------------------------------

TEST_F(TextSettingsTest, ListingAsTextStartsAtTheMarginWithSixtyLinesAPage) {
    auto listing = listing::MakeListing(80);
    const QString fileName = folder.filePath("listing.txt");
    TVRAsciiExportFilter filter(fileName);
    listing->Report->ExportToFilter(filter);
    ASSERT_FALSE(filter.Active());
    EXPECT_EQ(filter.PageLineCount(), 60);

    const QStringList lines = FileLines(fileName);
    // The summary's count is the only text of its line, left-aligned at the 10 mm margin.
    EXPECT_EQ(lines.last(), "    Total de Registros : 080");
    int pageHeaders = 0;
    for (const QString& line : lines) {
        EXPECT_LE(line.size(), 160) << line.toStdString();
        if (line.contains(QStringLiteral("Estado"))) ++pageHeaders;
    }
    EXPECT_EQ(pageHeaders, listing->Report->PageCount());
    // Rows come out whole, in their order, with their fields in column order.
    const qsizetype first = lines.indexOf(QRegularExpression(QStringLiteral(".*000001.*")));
    ASSERT_GE(first, 0);
    EXPECT_TRUE(lines[first].contains(
        QRegularExpression(QString::fromUtf8("000001.*1001.*1991.*RUA.*Rua Número 1 .*Vereador.*"
                                             "Rua 1 .*Centro$"))))
        << lines[first].toStdString();
    EXPECT_TRUE(lines[first + 1].contains(QStringLiteral("000002")));
}

TEST_F(TextSettingsTest, ListingAsCsvReadsBackWithARealCsvReader) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed: no CSV reader to read back";

    auto listing = listing::MakeListing(0);
    const QStringList names = {
        QString::fromUtf8("Rua \"Dom\" Pedro; II"),
        QString::fromUtf8("Travessa d'Ávila"),
        QString::fromUtf8("Praça São João, \"Sé\""),
        QStringLiteral("\"\""),
    };
    for (int i = 0; i < names.size(); ++i)
        listing->Data.AppendRow({i + 1, QStringLiteral("12"), QStringLiteral("1990"),
                                 QStringLiteral("RUA"), names[i], QStringLiteral("Vereador"),
                                 QString(), QString::fromUtf8("Jardim; Esperança")});
    const QString fileName = folder.filePath("listing.csv");
    TVRCommaSeparatedFilter filter(fileName);
    listing->Report->ExportToFilter(filter);

    // The reader prints every record's fields, one field a line, records ended by "--".
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"), QStringLiteral(R"(
import csv, sys
with open(sys.argv[1], newline='', encoding='cp1252') as f:
    for record in csv.reader(f, delimiter=';'):
        for field in record:
            sys.stdout.buffer.write((field + '\n').encode('utf-8'))
        sys.stdout.buffer.write(b'--\n')
)"),
                          fileName});
    ASSERT_TRUE(reader.waitForFinished(30000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QStringList output = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n');
    QList<QStringList> records;
    QStringList record;
    for (const QString& field : output) {
        if (field == QLatin1String("--")) {
            records.append(record);
            record.clear();
        } else {
            record.append(field);
        }
    }
    // Every record has as many fields as the page has columns.
    ASSERT_FALSE(records.isEmpty());
    for (const QStringList& r : records)
        EXPECT_EQ(r.size(), records.first().size()) << r.join('|').toStdString();
    for (int i = 0; i < names.size(); ++i) {
        const QString id = QStringLiteral("%1").arg(i + 1, 6, 10, QLatin1Char('0'));
        const auto row = std::find_if(records.begin(), records.end(),
                                      [&](const QStringList& r) { return r.contains(id); });
        ASSERT_NE(row, records.end()) << id.toStdString();
        EXPECT_TRUE(row->contains(names[i])) << row->join('|').toStdString();
        EXPECT_TRUE(row->contains(QString::fromUtf8("Jardim; Esperança")));
    }
}

// ---- Targets that cannot be written -------------------------------------------------

TEST_F(TextSettingsTest, UnwritableTargetFailsWithTheFileNameAndLeavesNothing) {
    auto listing = listing::MakeListing(3);
    const QString missingFolder = folder.filePath("no such folder");
    for (const QString& extension : {QStringLiteral("txt"), QStringLiteral("csv")}) {
        const QString fileName = missingFolder + QStringLiteral("/listing.") + extension;
        std::unique_ptr<TVRExportFilter> filter;
        if (extension == QLatin1String("txt"))
            filter = std::make_unique<TVRAsciiExportFilter>(fileName);
        else
            filter = std::make_unique<TVRCommaSeparatedFilter>(fileName);
        try {
            listing->Report->ExportToFilter(*filter);
            ADD_FAILURE() << "no error for " << fileName.toStdString();
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().startsWith(
                QStringLiteral("Cannot create file \"%1\".").arg(fileName)))
                << error.Message().toStdString();
        }
        EXPECT_TRUE(listing->Report->Available());
    }
    EXPECT_FALSE(QDir(missingFolder).exists());
}

TEST_F(TextSettingsTest, ExportThatFailsMidwayLeavesNoFileBehind) {
    auto listing = listing::MakeListing(30);
    int rows = 0;
    listing->Detail->BeforePrint = [&](TVRCustomBand&, bool&) {
        if (++rows == 20) throw Exception(QStringLiteral("record set lost"));
    };
    for (const QString& name : {QStringLiteral("broken.csv"), QStringLiteral("broken.txt")}) {
        const QString fileName = folder.filePath(name);
        rows = 0;
        {
            std::unique_ptr<TVRExportFilter> filter;
            if (name.endsWith(QLatin1String("csv")))
                filter = std::make_unique<TVRCommaSeparatedFilter>(fileName);
            else
                filter = std::make_unique<TVRAsciiExportFilter>(fileName);
            EXPECT_THROW(listing->Report->ExportToFilter(*filter), Exception);
        }
        EXPECT_FALSE(QFile::exists(fileName)) << name.toStdString();
    }
}

// ---- Settings components -----------------------------------------------------------

TEST_F(TextSettingsTest, SettingsComponentsRegisterTheirFiltersWhileTheyExist) {
    const int before = VRExportFilterLibrary().Count();
    {
        TVRTextFilter text;
        TVRCSVFilter csv;
        EXPECT_EQ(csv.Separator(), u',');  // a new component starts with a comma
        csv.SetSeparator(u';');
        text.SetTextEncoding(UTF8Encoding);
        EXPECT_EQ(csv.TextEncoding(), UTF8Encoding);  // one setting for both
        EXPECT_EQ(TextExportSettings().Separator, u';');
        ASSERT_NE(VRExportFilterLibrary().GetFilterByExtension("txt"), nullptr);
        ASSERT_NE(VRExportFilterLibrary().GetFilterByExtension("csv"), nullptr);
        EXPECT_EQ(VRExportFilterLibrary().GetFilterByExtension("txt")->FName, "Text file");
        EXPECT_EQ(VRExportFilterLibrary().GetFilterByExtension("csv")->FName, "Comma Separated");
    }
    EXPECT_EQ(VRExportFilterLibrary().Count(), before);
    EXPECT_EQ(VRExportFilterLibrary().GetFilterByExtension("csv"), nullptr);
}
