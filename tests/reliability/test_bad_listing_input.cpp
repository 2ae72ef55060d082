// Hostile text through the street listing. Typed into the filter dialog, each value
// reaches the listing query as a parameter: it selects the rows it names (as a prefix,
// where "%" and "_" are the query's own wildcards) or ends in one clear message, never
// in broken SQL or a changed table. Stored in the table, each value comes out of every
// export as the page shows it, read back by a real reader of the format, in a complete
// file; a character code page 1252 cannot hold is written as "?" where the format
// writes that code page.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

#include "core/Win1252.h"
#include "data/TCachedDataSet.h"
#include "data/TParams.h"
#include "report_engine/controls/TVRLabel.h"
#include "report_engine/export/text/TextExportSettings.h"
#include "report_engine/model/TVRReport.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/report_engine/export/pdf/PdfReaders.h"
#include "tests/reports/ReportCommandsTest.h"
#include "tests/support/ExportEveryFormat.h"

namespace {

// Names stored beside the listing's seven streets (identifiers 11 on), each the target
// of one hostile filter below; 15 is reached only through the wildcards.
struct StoredName {
    int Id;
    QString Nome;
};
const StoredName kStoredNames[] = {
    {11, QStringLiteral("D'ÁGUA BRANCA")},
    {12, QStringLiteral("RUA \"NOVA\"")},
    {13, QStringLiteral("X'; DELETE FROM LOGRADOUROS; --")},
    {14, QStringLiteral("100% _A_ LIVRE")},
    {15, QStringLiteral("100X YAZ")},
    {16, QString(255, QLatin1Char('X'))},       // as long as the column
    {17, QStringLiteral("BECO <B>&AMP;</B>")},  // markup, for the HTML export
};

void AddStoredNames(const TestDatabase& database) {
    for (const StoredName& name : kStoredNames)
        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, LEI, ANO, TIPO, NOME) "
                                        "VALUES (?, '9', '2001', 'RUA', ?)"),
                         {name.Id, name.Nome});
}

class BadFilterTest : public ReportCommandsTest {
protected:
    void SetUp() override {
        ReportCommandsTest::SetUp();
        AddStoredNames(*database);
    }
};

class BadListingInputTest : public ListingTest {
protected:
    void SetUp() override {
        ListingTest::SetUp();
        AddStoredNames(*database);
    }
};

}  // namespace

TEST_F(BadFilterTest, HostileFiltersSelectTheirRowsOrEndInOneClearMessage) {
    struct Case {
        const char* What;
        QString Typed;
        QString InBox;            // what the box holds of it
        QStringList Ids;          // the rows listed, when the listing runs
        QString Message;          // else a part of the one message shown
        bool PastTheBox = false;  // set by code, as a paste that skipped the box's checks
    };
    const QString longest(255, QLatin1Char('x'));
    const QString tooLong(600, QLatin1Char('x'));
    const Case cases[] = {
        {"apostrophe", QStringLiteral("d'água"), QStringLiteral("d'água"), {"000011"}, {}},
        {"double quotes",
         QStringLiteral("rua \"nova\""),
         QStringLiteral("rua \"nova\""),
         {"000012"},
         {}},
        {"statement end and comment",
         QStringLiteral("x'; delete from logradouros; --"),
         QStringLiteral("x'; delete from logradouros; --"),
         {"000013"},
         {}},
        {"like wildcards",
         QStringLiteral("100% _a_"),
         QStringLiteral("100% _a_"),
         {"000014", "000015"},
         {}},
        {"as long as the column", longest, longest, {"000016"}, {}},
        // The query casts the value to the column's width, and the database refuses a
        // longer one; its refusal, naming both lengths, reaches the standard error display.
        {"longer than the column",
         tooLong,
         tooLong,
         {},
         QStringLiteral("string right truncation\n-expected length 255, actual 600")},
        // The box takes only what Windows-1252 holds; the rest of the text finds nothing.
        {"outside Windows-1252", QStringLiteral("Łódź €"), QStringLiteral("ód €"), {}, {}},
        {"outside Windows-1252, past the box",
         QStringLiteral("Łódź €"),
         QStringLiteral("Łódź €"),
         {},
         UnrepresentableCharacterMessage(QChar(u'Ł')),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        runs.clear();
        ClearShownMessages();
        WithDialog([&](TFrm_PorGeral& dialog) {
            if (c.PastTheBox) {
                dialog.LNome->setText(c.Typed);
            } else {
                Type(dialog.LNome, c.Typed);
            }
            ASSERT_EQ(dialog.LNome->text(), c.InBox);
            dialog.Botao_Novo->click();
            EXPECT_TRUE(dialog.Botao_Novo->isEnabled());
        });
        if (c.Message.isEmpty()) {
            EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(PrintedIdentifiers(runs[0]), c.Ids);
        } else {
            EXPECT_TRUE(runs.empty());
            ASSERT_EQ(ShownMessages().size(), 1);
            EXPECT_EQ(ShownMessages().front().Kind, TMsgKind::Error);
            EXPECT_TRUE(Messages().front().contains(c.Message)) << Messages().front().toStdString();
        }
    }
    // Nothing typed changed the table.
    EXPECT_EQ(database->StreetCount(), 7 + int(std::size(kStoredNames)));
}

namespace {

// What a real reader of the format shows of the file: its texts, one per element
// (CSV fields, HTML text nodes, lines of the text file), and whether the file is whole.
struct ReadBack {
    QStringList Items;
    QString Fault;  // empty when the file is complete and well-formed
};

// Python's csv and html.parser modules read the CSV and HTML files, and the text file is
// decoded with its code page; a byte the code page does not define fails the read.
ReadBack ReadWithPython(const QString& kind, const QString& fileName) {
    static const char kReader[] = R"(
import csv, html.parser, json, sys
kind, name = sys.argv[1], sys.argv[2]
text = open(name, 'rb').read().decode('cp1252')
items, fault = [], ''
if not text.endswith('\r\n'):
    fault = 'the last line has no end'
if kind == 'csv':
    widths = set()
    try:
        for record in csv.reader(text.split('\r\n')[:-1], delimiter=';', strict=True):
            items += record
            widths.add(len(record))
    except csv.Error as error:
        fault = 'csv: %s' % error
elif kind == 'html':
    class Reader(html.parser.HTMLParser):
        def __init__(self):
            super().__init__(convert_charrefs=True)
            self.divs, self.last_end = 0, ''
        def handle_starttag(self, tag, attrs):
            if tag == 'div': self.divs += 1
        def handle_endtag(self, tag):
            if tag == 'div': self.divs -= 1
            self.last_end = tag
        def handle_data(self, data):
            data = data.strip('\r\n').replace('\xa0', ' ')
            if data: items.append(data)
    reader = Reader()
    reader.feed(text)
    reader.close()
    if reader.divs != 0 or reader.last_end != 'html':
        fault = 'html: %d unclosed div, ends with </%s>' % (reader.divs, reader.last_end)
else:
    items = text.split('\r\n')
print(json.dumps({'items': items, 'fault': fault}))
)";
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QString::fromLatin1(kReader), kind, fileName});
    ReadBack read;
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        read.Fault = QStringLiteral("the reader failed: ") +
                     QString::fromUtf8(python.readAllStandardError());
        return read;
    }
    const QJsonObject result = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    for (const QJsonValue& item : result.value(QStringLiteral("items")).toArray())
        read.Items << item.toString();
    read.Fault = result.value(QStringLiteral("fault")).toString();
    return read;
}

ReadBack ReadPdf(const QString& fileName) {
    ReadBack read;
    read.Items = PdfText(fileName).split(QLatin1Char('\n'));
    const ::testing::AssertionResult check = PassesQpdfCheck(fileName);
    if (!check) read.Fault = QString::fromUtf8(check.message());
    return read;
}

// The page file loaded back as the preview loads it: every page sound, and their texts.
ReadBack ReadPageFile(const QString& fileName, int pageCount) {
    ReadBack read;
    TVRPrinter printer;
    const TVRLoadResult loaded = printer.Load(fileName);
    if (!loaded.IsSound() || loaded.PageCount != pageCount)
        read.Fault = QStringLiteral("%1 of %2 pages: %3")
                         .arg(loaded.PageCount)
                         .arg(pageCount)
                         .arg(loaded.Damage);
    for (const ListingPage& page : ReadPages(printer)) read.Items << page.Texts;
    return read;
}

// What code page 1252 makes of a text: each character it has no byte for is "?".
QString InCodePage1252(const QString& text) {
    QString result = text;
    for (QChar& character : result)
        if (!IsWin1252Representable(character)) character = QLatin1Char('?');
    return result;
}

}  // namespace

TEST_F(BadListingInputTest, HostileTextsComeOutOfEveryExportAsThePageShowsThem) {
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        GTEST_SKIP() << "python3, pdftotext and qpdf read the files back";
    const TVRTextExportSettings savedSettings = TextExportSettings();
    TextExportSettings().TextEncoding = DefaultEncoding;  // as the main window sets them
    TextExportSettings().Separator = u';';
    const auto restoreSettings = qScopeGuard([&] { TextExportSettings() = savedSettings; });

    TFrm_Relatorio31 host;
    SetEveryFilterOff(host);
    host.cdsDados->Open();
    // Text the database cannot hold reaches a page only through the header; the filter
    // description's line carries it here.
    const QString header = QStringLiteral("Nome : Łódź €");
    host.Cabecalho->SetCaption(header);
    host.VR_Relatorio->Prepare();
    const ListingRun preview = ReadPages(*host.VR_Relatorio->VRPrinter());

    // Each value as the page shows it: whole when it fits its box, else the first line
    // the box wraps it into.
    QStringList shown{header};
    for (const StoredName& name : kStoredNames) {
        QString printed;
        for (const ListingPage& page : preview)
            for (const QString& text : page.Texts)
                if (!text.isEmpty() && name.Nome.startsWith(text) && text.size() > printed.size())
                    printed = text;
        if (name.Nome.size() < 255) {
            EXPECT_EQ(printed, name.Nome);
        }
        ASSERT_FALSE(printed.isEmpty()) << name.Nome.toStdString();
        shown << printed;
    }

    QTemporaryDir folder;
    const ExportedFiles files = ExportEveryFormat(*host.VR_Relatorio, QDir(folder.path()));
    const QString& text = files.Text;
    const QString& csv = files.Csv;
    const QString& html = files.Html;
    const QString& pdf = files.Pdf;
    const QString pages = folder.filePath(QStringLiteral("logradouros.vrp"));
    ASSERT_TRUE(host.VR_Relatorio->VRPrinter()->Save(pages));

    struct Output {
        const char* What;
        ReadBack Read;
        bool WholeItems;    // an item is one text (else a line holding several)
        bool CodePage1252;  // written in code page 1252 (else as the page holds it)
    };
    const Output outputs[] = {
        {"text", ReadWithPython(QStringLiteral("text"), text), false, true},
        {"CSV", ReadWithPython(QStringLiteral("csv"), csv), true, true},
        {"HTML", ReadWithPython(QStringLiteral("html"), html), true, true},
        {"PDF", ReadPdf(pdf), false, true},
        {"page file", ReadPageFile(pages, int(preview.size())), true, false},
    };
    for (const Output& output : outputs) {
        SCOPED_TRACE(output.What);
        EXPECT_TRUE(output.Read.Fault.isEmpty()) << output.Read.Fault.toStdString();
        for (const QString& value : shown) {
            const QString expected = output.CodePage1252 ? InCodePage1252(value) : value;
            const bool found =
                output.WholeItems
                    ? output.Read.Items.contains(expected)
                    : std::any_of(output.Read.Items.begin(), output.Read.Items.end(),
                                  [&](const QString& line) { return line.contains(expected); });
            EXPECT_TRUE(found) << expected.toStdString();
        }
    }
}
