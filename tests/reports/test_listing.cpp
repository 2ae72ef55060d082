// The street listing host: the filter rule of its query, the rows' colours and count,
// the empty listing and a second generation of the same host, read from the pages the
// report leaves in the page store.
#include <QColor>

#include "app/uTotal.h"
#include "core/Exception.h"
#include "data/TCachedDataSet.h"
#include "data/TParams.h"
#include "report_engine/model/TVRReport.h"
#include "reports/ListingFilter.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/reports/ListingTest.h"

namespace {

TListingFilter NoFilter() {
    return NoListingFilter();
}

// Filter values given by parameter name; the others "0".
TListingFilter Filter(std::initializer_list<std::pair<const char*, const char*>> set) {
    TListingFilter values = NoListingFilter();
    for (const auto& [name, value] : set)
        for (std::size_t i = 0; i < values.size(); ++i)
            if (qstrcmp(ListingParameterNames[i], name) == 0) values[i] = QString::fromUtf8(value);
    return values;
}

QStringList Ids(std::initializer_list<int> ids) {
    QStringList texts;
    for (int id : ids) texts << QStringLiteral("%1").arg(id, 6, 10, QLatin1Char('0'));
    return texts;
}

}  // namespace

TEST(ListingFilter, TypedTextsGiveValuesAndDescription) {
    struct Case {
        std::array<QString, 7> Typed;
        TListingFilter Values;
        QString Description;
    };
    const QString o = QStringLiteral("0");
    const Case cases[] = {
        {{}, NoListingFilter(), QString()},
        {{QStringLiteral("123"), {}, {}, QStringLiteral("rua")},
         {QStringLiteral("123"), o, o, QStringLiteral("rua"), o, o, o},
         QStringLiteral("Lei : 123  Nome : rua  ")},
        // A typed 0 filters nothing yet shows; text goes on exactly as typed.
        {{QStringLiteral("0"), {}, {}, {}, QStringLiteral(" Dr. "), {}, QStringLiteral("50%")},
         {o, o, o, o, QStringLiteral(" Dr. "), o, QStringLiteral("50%")},
         QStringLiteral("Lei : 0  Título :  Dr.   Localização : 50%  ")},
        {{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
          QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7")},
         {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
          QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7")},
         QStringLiteral("Lei : 1  Ano : 2  Tipo : 3  Nome : 4  Título : 5  Nome Usual : 6  "
                        "Localização : 7  ")},
    };
    for (const Case& c : cases) {
        const TTypedListingFilter filter = ListingFilterFromTexts(c.Typed);
        EXPECT_EQ(filter.Values, c.Values);
        EXPECT_EQ(filter.Description, c.Description);
    }
}

TEST_F(ListingTest, FilterValuesSelectTheStreetsInIdentifierOrder) {
    struct Case {
        const char* What;
        TListingFilter Values;
        QStringList Expected;
    };
    const Case cases[] = {
        {"every filter off", NoFilter(), Ids({1, 2, 3, 4, 5, 6, 7})},
        {"name begins with rua in any case, not later in the name", Filter({{"NOME", "rua"}}),
         Ids({1, 2, 3})},
        {"law 12 is not law 123 nor 1234", Filter({{"LEI", "12"}}), Ids({1, 5})},
        {"law off, year on", Filter({{"LEI", "0"}, {"ANO", "1990"}}), Ids({3, 4, 5})},
        {"law and name together", Filter({{"LEI", "123"}, {"NOME", "rua"}}), Ids({3})},
        {"type, title, usual name and location as prefixes",
         Filter({{"TIPO", "r"}, {"TITULO", "ver"}, {"NOME_USUAL", "FLO"}, {"LOCALIZACAO", "cen"}}),
         Ids({1})},
        {"an accented prefix", Filter({{"TIPO", "PRAÇ"}}), Ids({7})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        runs.clear();
        RunStreetListing(nullptr, c.Values, QString());
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(PrintedIdentifiers(runs[0]), c.Expected);
        EXPECT_EQ(Frm_Relatorio31, nullptr);
    }
}

TEST_F(ListingTest, RowsAlternateFromGreenAndTheSummaryCountsThem) {
    TituloRelatorio = QStringLiteral("Relatório dos Logradouros");
    RunStreetListing(nullptr, NoFilter(), QStringLiteral("Lei : 0  "));
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 1u);
    const ListingPage& page = runs[0][0];

    EXPECT_EQ(RowColours(page, 7, kFirstRowTop),
              (QList<QColor>{kMoneyGreen, kWhite, kMoneyGreen, kWhite, kMoneyGreen, kWhite,
                             kMoneyGreen}));
    EXPECT_TRUE(page.Texts.contains(QStringLiteral("Total de Registros : 007")));
    EXPECT_FALSE(page.Texts.contains(QStringLiteral("T O T A L")));
    // The header texts the command sets, the column titles and the page number.
    for (const QString& text :
         {Descricao_Estado, Descricao_Cliente, QStringLiteral("Exercício : ") + Ano_Exercicio,
          QStringLiteral("Relatório dos Logradouros"), QStringLiteral("Lei : 0  "),
          QStringLiteral("Código"), QStringLiteral("Localização"), QStringLiteral("Pág.  1"),
          QStringLiteral("rua sem saída"), QStringLiteral("ALAMEDA DOS IPÊS")})
        EXPECT_TRUE(page.Texts.contains(text)) << text.toStdString();
}

TEST_F(ListingTest, AnEmptyResultGivesOnePageWithOneGreenEmptyRowCountedAsNone) {
    RunStreetListing(nullptr, Filter({{"NOME", "nenhuma"}}), QString());
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].size(), 1u);
    const ListingPage& page = runs[0][0];
    EXPECT_EQ(RowColours(page, 1, kEmptyRowTop), QList<QColor>{kMoneyGreen});
    EXPECT_TRUE(page.Texts.contains(QStringLiteral("Total de Registros : 000")));
    EXPECT_TRUE(PrintedIdentifiers(runs[0]).isEmpty());
    // No column header on the empty listing.
    EXPECT_FALSE(page.Texts.contains(QStringLiteral("Código")));
}

TEST_F(ListingTest, EachGenerationOfTheSameHostStartsColoursAndCountAgain) {
    TFrm_Relatorio31 host;
    SetEveryFilterOff(host);
    // Seven names, each written twice in the query.
    EXPECT_EQ(host.cdsDados->Params().Count(), 14);
    host.cdsDados->Params().ParamByName(QStringLiteral("ANO")).SetAsString(QStringLiteral("1990"));
    host.cdsDados->Open();

    for (int generation = 1; generation <= 2; ++generation) {
        SCOPED_TRACE(generation);
        host.VR_Relatorio->Prepare();
        const ListingRun pages = ReadPages(*host.VR_Relatorio->VRPrinter());
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(RowColours(pages[0], 3, kFirstRowTop),
                  (QList<QColor>{kMoneyGreen, kWhite, kMoneyGreen}));
        EXPECT_TRUE(pages[0].Texts.contains(QStringLiteral("Total de Registros : 003")));
    }
}

TEST_F(ListingTest, AValueTooLongForItsParameterFailsAndReleasesTheHost) {
    // The year is cast to four characters: the database refuses five.
    EXPECT_THROW(RunStreetListing(nullptr, Filter({{"ANO", "19900"}}), QString()), Exception);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(Frm_Relatorio31, nullptr);
}
