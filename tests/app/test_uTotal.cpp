// Installation constants, the report colour names and the process-wide date settings.
#include <gtest/gtest.h>

#include "app/uTotal.h"
#include "core/Colors.h"
#include "core/FormatSettings.h"

namespace {

TEST(InstallationConstants, DescribeSystemAndCustomer) {
    EXPECT_EQ(Descricao_Sistema, QStringLiteral("Torvane Logradouros - 2019"));
    EXPECT_FALSE(Descricao_Cliente.isEmpty());
    EXPECT_EQ(Descricao_Cliente, Descricao_Cliente.toUpper());
}

TEST(InstallationConstants, ReportColourNamesResolve) {
    EXPECT_EQ(StringToColor(Cor_Pauta_True), 0xC0DCC0u);
    EXPECT_EQ(StringToColor(Cor_Pauta_False), 0xFFFFFFu);
    EXPECT_EQ(StringToColor(Cor_Cabecalho), 0xC0C0C0u);
}

// A system that writes dates as 2019-03-05 in English with a dot between time parts.
TFormatSettings ForeignSystem() {
    TFormatSettings settings;
    settings.DateSeparator = QLatin1Char('-');
    settings.TimeSeparator = QLatin1Char('.');
    settings.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    settings.LongTimeFormat = QStringLiteral("hh:nn:ss");
    settings.ShortTimeFormat = QStringLiteral("hh:nn");
    settings.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    settings.LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};
    settings.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    settings.LongMonthNames = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
    return settings;
}

TEST(AcertaPadraoData, SetsShortDateAndPortugueseNamesOnly) {
    const TFormatSettings saved = FormatSettings();
    FormatSettings() = ForeignSystem();

    AcertaPadraoData();

    const TFormatSettings& settings = FormatSettings();
    EXPECT_EQ(settings.ShortDateFormat, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(settings.LongMonthNames[2], QStringLiteral("Março"));
    EXPECT_EQ(settings.ShortDayNames[6], QStringLiteral("Sab"));
    EXPECT_EQ(settings.LongDayNames[6], QStringLiteral("Sábado"));
    // The separators and time formats stay the system's.
    EXPECT_EQ(settings.DateSeparator, QLatin1Char('-'));
    EXPECT_EQ(settings.LongTimeFormat, QStringLiteral("hh:nn:ss"));

    const QDateTime march5(QDate(2019, 3, 5), QTime(14, 7, 9));
    EXPECT_EQ(FormatDateTime(settings.ShortDateFormat, march5), QStringLiteral("05-03-2019"));
    EXPECT_EQ(DateTimeToStr(march5), QStringLiteral("05-03-2019 14.07.09"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddd, d \"de\" mmmm"), march5),
              QStringLiteral("Terça, 5 de Março"));

    FormatSettings() = saved;
}

TEST(FormatDateTime, FormatLetters) {
    TFormatSettings settings = ForeignSystem();
    settings.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    const QDateTime afternoon(QDate(2019, 3, 5), QTime(14, 7, 9, 45));
    const QDateTime midnight(QDate(2008, 12, 31), QTime(0, 0));

    const struct {
        const char* format;
        QDateTime value;
        const char* expected;
    } cases[] = {
        {"d/m/yy", afternoon, "5-3-19"},
        {"dd/mm/yyyy", afternoon, "05-03-2019"},
        {"ddd mmm", afternoon, "Tue Mar"},
        {"DDDD MMMM", afternoon, "Tuesday March"},
        {"ddddd", afternoon, "05-03-2019"},
        {"hh:nn:ss.zzz", afternoon, "14.07.09.045"},
        {"hh:mm", afternoon, "14.07"},            // m after an hour is the minute
        {"hh 'h' mm", afternoon, "14 h 07"},      // quoted text does not break that
        {"mm/yyyy hh", afternoon, "03-2019 14"},  // m before any hour is the month
        {"h:nn am/pm", afternoon, "2.07 pm"},
        {"h:nn AM/PM", midnight, "12.00 AM"},
        {"h a/p", QDateTime(QDate(2019, 3, 5), QTime(9, 0)), "9 a"},
        {"c", afternoon, "05-03-2019 14.07.09"},
        {"c", midnight, "31-12-2008"},  // no time at exactly midnight
        {"t", afternoon, "14.07"},
        {"tt", afternoon, "14.07.09"},
        {"\"dd\" dd", afternoon, "dd 05"},
        {"yyyy#mm", afternoon, "2019#03"},
        {"mmmm dddd", QDateTime(), " "},  // no date: no names, and no crash
    };
    for (const auto& test : cases) {
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(test.format), test.value, settings),
                  QString::fromUtf8(test.expected))
            << test.format;
    }
}

TEST(FormatDateTime, FormatsThatNameEachOtherStop) {
    TFormatSettings settings = ForeignSystem();
    settings.ShortDateFormat = QStringLiteral("c");
    settings.LongTimeFormat = QStringLiteral("ddddd");
    const QString text =
        FormatDateTime(QStringLiteral("c"), QDateTime(QDate(2019, 3, 5), QTime(1, 0)), settings);
    EXPECT_LT(text.size(), 100);
}

TEST(FormatSettings, ReadFromSystemFormatDates) {
    const TFormatSettings system = TFormatSettings::FromSystem();
    EXPECT_FALSE(system.ShortDateFormat.isEmpty());
    EXPECT_FALSE(system.LongMonthNames[0].isEmpty());
    // Whatever the system's formats, they must be in our letters and show the date.
    const QString text =
        FormatDateTime(system.ShortDateFormat, QDateTime(QDate(2019, 3, 5), QTime(0, 0)), system);
    EXPECT_TRUE(text.contains(QLatin1Char('5'))) << text.toStdString();
    EXPECT_FALSE(system.ShortDateFormat.contains(QLatin1Char('M')));
}

}  // namespace
