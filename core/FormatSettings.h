#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>
#include <array>

// The process-wide date and time formatting settings. Every date or time the
// program shows or writes (windows, report system data, the PDF creation date) is
// formatted through FormatDateTime with these settings, so that the main window's
// activation (which sets the date format and the Portuguese names) reaches all of them.
//
// Formats use the format letters of this settings object, not Qt's:
//   d dd ddd dddd ddddd dddddd   day, two-digit day, short and long day name,
//                                short and long date format
//   m mm mmm mmmm                month, two-digit month, short and long month name
//                                (m and mm right after an hour mean minutes)
//   yy yyyy                      two- and four-digit year
//   h hh n nn s ss z zzz         hour, minute, second, millisecond
//   t tt                         short and long time format
//   c                            short date format, then the long time format unless
//                                the time is exactly midnight
//   am/pm a/p ampm               12-hour clock with the marker
//   /  :                         the date and the time separator
//   "..." '...'                  literal text
// Letters are read without regard to case; any other character is copied as it is.
struct TFormatSettings {
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QString ShortDateFormat = QStringLiteral("d/m/yy");
    QString LongDateFormat = QStringLiteral("d mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    std::array<QString, 7> ShortDayNames;  // Sunday first
    std::array<QString, 7> LongDayNames;
    std::array<QString, 12> ShortMonthNames;  // January first
    std::array<QString, 12> LongMonthNames;

    // The settings the system gives: separators, formats and names of the user's locale.
    static TFormatSettings FromSystem();
};

// The one settings object of the process, read from the system on first use.
TFormatSettings& FormatSettings();

QString FormatDateTime(const QString& format, const QDateTime& value,
                       const TFormatSettings& settings = FormatSettings());

// The general date-time form: short date format, a blank and the long time format.
QString DateTimeToStr(const QDateTime& value, const TFormatSettings& settings = FormatSettings());
