// The report over a cached data set read from a real database.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "report_engine/model/TVRDataSet.h"
#include "tests/data/StreetChain.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/RecordingFilter.h"

TEST(ReportOverCachedDataSet, PrintsEveryStreetWithItsFieldTexts) {
    const TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database, QString::fromLatin1(kAllStreetsSql), /*declareFields=*/false);
    TVRCachedDataSetLink link(*chain.set);

    auto f = listing::MakeListing(0);
    f->Report->DataSet = &link;
    for (TVRDBText* text : f->Detail->findChildren<TVRDBText*>()) text->DataSet = &link;

    // Fields the set makes itself are made afresh on every opening; the report finds
    // them again on each run.
    for (int run = 0; run < 2; ++run) {
        chain.set->Close();
        chain.set->Open();
        chain.set->FieldByName(QStringLiteral("I_ID"))->SetDisplayFormat(QStringLiteral("000000"));
        RecordingFilter filter;
        f->Report->ExportToFilter(filter);

        const int streets = database.StreetCount();
        ASSERT_GT(streets, 0);
        EXPECT_EQ(f->RG, streets);
        QStringList ids;
        for (const auto& call : filter.Calls)
            if (call.Kind == QLatin1String("Text") &&
                QRegularExpression(QStringLiteral("^\\d{6}$")).match(call.Text).hasMatch())
                ids << call.Text;
        ASSERT_FALSE(ids.isEmpty());
        EXPECT_EQ(ids.first(), QStringLiteral("000001"));
        EXPECT_EQ(ids.size(), streets);
        // The name of the first street, as the database holds it.
        const QString firstName =
            database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1"));
        bool found = false;
        for (const auto& call : filter.Calls)
            found = found || (call.Kind == QLatin1String("Text") && call.Text == firstName);
        EXPECT_TRUE(found || firstName.isEmpty()) << firstName.toStdString();
    }
}
