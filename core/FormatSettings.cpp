#include "core/FormatSettings.h"

#include <QLocale>

namespace {

bool IsFormatLetter(QChar c) {
    return c.isLetter() && c.unicode() < 128;
}

// The first character of a date or time format that is neither a format letter,
// a blank nor quoted: the separator the locale puts between the parts.
QChar FirstSeparator(const QString& qtFormat, QChar fallback) {
    bool quoted = false;
    for (QChar c : qtFormat) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && !IsFormatLetter(c) && !c.isSpace()) {
            return c;
        }
    }
    return fallback;
}

// Rewrites a Qt date/time format in this program's format letters. The date and time
// separators become "/" and ":" so that they follow the settings' separators; a time
// zone has no letter here and is left out.
QString FromQtFormat(const QString& qtFormat, QChar dateSeparator, QChar timeSeparator) {
    QString out;
    for (qsizetype i = 0; i < qtFormat.size();) {
        const QChar c = qtFormat[i];
        qsizetype run = 1;
        while (i + run < qtFormat.size() && qtFormat[i + run] == c) ++run;
        if (c == QLatin1Char('\'')) {
            const qsizetype end = qtFormat.indexOf(QLatin1Char('\''), i + 1);
            const QString literal = qtFormat.mid(i + 1, end < 0 ? -1 : end - i - 1);
            if (!literal.isEmpty()) out += QLatin1Char('"') + literal + QLatin1Char('"');
            i = end < 0 ? qtFormat.size() : end + 1;
            continue;
        }
        switch (c.unicode()) {
            case 'd':
                out += QString(qMin<qsizetype>(run, 4), QLatin1Char('d'));
                break;
            case 'M':
                out += QString(qMin<qsizetype>(run, 4), QLatin1Char('m'));
                break;
            case 'y':
                out += run >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
                break;
            case 'h':
            case 'H':
                out += run >= 2 ? QStringLiteral("hh") : QStringLiteral("h");
                break;
            case 'm':
                out += run >= 2 ? QStringLiteral("nn") : QStringLiteral("n");
                break;
            case 's':
                out += run >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
                break;
            case 'z':
                out += run >= 2 ? QStringLiteral("zzz") : QStringLiteral("z");
                break;
            case 'A':
            case 'a':
                out += QStringLiteral("am/pm");
                break;
            case 't':
                break;
            default:
                if (c == dateSeparator) {
                    out += QString(run, QLatin1Char('/'));
                } else if (c == timeSeparator) {
                    out += QString(run, QLatin1Char(':'));
                } else if (IsFormatLetter(c)) {
                    out += QLatin1Char('"') + QString(run, c) + QLatin1Char('"');
                } else {
                    out += QString(run, c);
                }
        }
        i += run;
    }
    return out.trimmed();
}

// Reads a run of the same letter (case-insensitive) starting at i.
qsizetype RunLength(const QString& format, qsizetype i) {
    const QChar c = format[i].toLower();
    qsizetype run = 1;
    while (i + run < format.size() && format[i + run].toLower() == c) ++run;
    return run;
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

bool StartsWithNoCase(const QString& text, qsizetype at, QLatin1String word) {
    return QStringView(text).mid(at).startsWith(word, Qt::CaseInsensitive);
}

class DateTimeFormatter {
public:
    DateTimeFormatter(const QDateTime& value, const TFormatSettings& settings)
        : FDate(value.date()), FTime(value.time()), FSettings(settings) {}

    QString Format(const QString& format, int depth = 0) {
        QString out;
        // A 12-hour clock applies to the whole format when it has a marker anywhere.
        const bool twelveHour = format.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                                format.contains(QLatin1String("a/p"), Qt::CaseInsensitive) ||
                                format.contains(QLatin1String("ampm"), Qt::CaseInsensitive);
        // As in the usual format rules, m right after an hour letter (separators
        // between them do not count) means minutes.
        char lastLetter = 0;
        for (qsizetype i = 0; i < format.size();) {
            const QChar c = format[i];
            const char letter = char(c.toLower().unicode() < 128 ? c.toLower().unicode() : 0);
            const qsizetype run = RunLength(format, i);
            switch (letter) {
                case '"':
                case '\'': {
                    const qsizetype end = format.indexOf(c, i + 1);
                    out += format.mid(i + 1, end < 0 ? -1 : end - i - 1);
                    i = end < 0 ? format.size() : end + 1;
                    continue;
                }
                case '/':
                    out += FSettings.DateSeparator;
                    i += 1;
                    continue;
                case ':':
                    out += FSettings.TimeSeparator;
                    i += 1;
                    continue;
                case 'c':
                    out += Nested(FSettings.ShortDateFormat, depth);
                    if (FTime != QTime(0, 0))
                        out += QLatin1Char(' ') + Nested(FSettings.LongTimeFormat, depth);
                    i += 1;
                    break;
                case 'd':
                    out += Day(run, depth);
                    i += qMin<qsizetype>(run, 6);
                    break;
                case 'm':
                    if (lastLetter == 'h' && run <= 2) {
                        out += Number(FTime.minute(), run);
                    } else {
                        out += Month(run);
                    }
                    i += qMin<qsizetype>(run, 4);
                    break;
                case 'y':
                    out += run <= 2
                               ? TwoDigits(FDate.year() % 100)
                               : QStringLiteral("%1").arg(FDate.year(), 4, 10, QLatin1Char('0'));
                    i += run;
                    break;
                case 'h': {
                    int h = FTime.hour();
                    if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
                    out += Number(h, run);
                    i += qMin<qsizetype>(run, 2);
                    break;
                }
                case 'n':
                    out += Number(FTime.minute(), run);
                    i += qMin<qsizetype>(run, 2);
                    break;
                case 's':
                    out += Number(FTime.second(), run);
                    i += qMin<qsizetype>(run, 2);
                    break;
                case 'z':
                    out += run >= 3
                               ? QStringLiteral("%1").arg(FTime.msec(), 3, 10, QLatin1Char('0'))
                               : QString::number(FTime.msec());
                    i += qMin<qsizetype>(run, 3);
                    break;
                case 't':
                    out += Nested(run >= 2 ? FSettings.LongTimeFormat : FSettings.ShortTimeFormat,
                                  depth);
                    i += qMin<qsizetype>(run, 2);
                    break;
                case 'a': {
                    const bool pm = FTime.hour() >= 12;
                    const bool upper = c.isUpper();
                    if (StartsWithNoCase(format, i, QLatin1String("am/pm"))) {
                        const QString marker = pm ? QStringLiteral("pm") : QStringLiteral("am");
                        out += upper ? marker.toUpper() : marker;
                        i += 5;
                    } else if (StartsWithNoCase(format, i, QLatin1String("a/p"))) {
                        const QChar marker = QLatin1Char(pm ? 'p' : 'a');
                        out += upper ? marker.toUpper() : marker;
                        i += 3;
                    } else if (StartsWithNoCase(format, i, QLatin1String("ampm"))) {
                        out += pm ? FSettings.TimePMString : FSettings.TimeAMString;
                        i += 4;
                    } else {
                        out += c;
                        i += 1;
                    }
                    break;
                }
                default:
                    out += c;
                    i += 1;
                    continue;
            }
            lastLetter = letter;
        }
        return out;
    }

private:
    // Nested formats (c, t, ddddd) may name other formats; a settings object whose
    // formats name each other must not recurse without end.
    QString Nested(const QString& format, int depth) {
        return depth < 2 ? Format(format, depth + 1) : QString();
    }

    static QString Number(int value, qsizetype run) {
        return run >= 2 ? TwoDigits(value) : QString::number(value);
    }

    QString Day(qsizetype run, int depth) {
        const int weekday = FDate.dayOfWeek() % 7;  // Qt: Monday 1 .. Sunday 7; ours: Sunday 0
        if ((run == 3 || run == 4) && !FDate.isValid()) return {};
        switch (run) {
            case 1:
                return QString::number(FDate.day());
            case 2:
                return TwoDigits(FDate.day());
            case 3:
                return FSettings.ShortDayNames[weekday];
            case 4:
                return FSettings.LongDayNames[weekday];
            case 5:
                return Nested(FSettings.ShortDateFormat, depth);
            default:
                return Nested(FSettings.LongDateFormat, depth);
        }
    }

    QString Month(qsizetype run) const {
        const int month = FDate.month();  // 0 for an invalid date
        if (run >= 3 && (month < 1 || month > 12)) return {};
        switch (run) {
            case 1:
                return QString::number(FDate.month());
            case 2:
                return TwoDigits(FDate.month());
            case 3:
                return FSettings.ShortMonthNames[FDate.month() - 1];
            default:
                return FSettings.LongMonthNames[FDate.month() - 1];
        }
    }

    QDate FDate;
    QTime FTime;
    const TFormatSettings& FSettings;
};

}  // namespace

TFormatSettings TFormatSettings::FromSystem() {
    const QLocale locale = QLocale::system();
    TFormatSettings settings;
    const QString qtShortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString qtLongTime = locale.timeFormat(QLocale::LongFormat);
    settings.DateSeparator = FirstSeparator(qtShortDate, QLatin1Char('/'));
    settings.TimeSeparator = FirstSeparator(qtLongTime, QLatin1Char(':'));
    settings.ShortDateFormat =
        FromQtFormat(qtShortDate, settings.DateSeparator, settings.TimeSeparator);
    settings.LongDateFormat = FromQtFormat(locale.dateFormat(QLocale::LongFormat),
                                           settings.DateSeparator, settings.TimeSeparator);
    settings.ShortTimeFormat = FromQtFormat(locale.timeFormat(QLocale::ShortFormat),
                                            settings.DateSeparator, settings.TimeSeparator);
    settings.LongTimeFormat =
        FromQtFormat(qtLongTime, settings.DateSeparator, settings.TimeSeparator);
    settings.TimeAMString = locale.amText();
    settings.TimePMString = locale.pmText();
    for (int day = 0; day < 7; ++day) {
        const int qtDay = day == 0 ? 7 : day;  // Qt counts from Monday, ours from Sunday
        settings.ShortDayNames[day] = locale.dayName(qtDay, QLocale::ShortFormat);
        settings.LongDayNames[day] = locale.dayName(qtDay, QLocale::LongFormat);
    }
    for (int month = 0; month < 12; ++month) {
        settings.ShortMonthNames[month] = locale.monthName(month + 1, QLocale::ShortFormat);
        settings.LongMonthNames[month] = locale.monthName(month + 1, QLocale::LongFormat);
    }
    return settings;
}

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = TFormatSettings::FromSystem();
    return settings;
}

QString FormatDateTime(const QString& format, const QDateTime& value,
                       const TFormatSettings& settings) {
    return DateTimeFormatter(value, settings).Format(format);
}

QString DateTimeToStr(const QDateTime& value, const TFormatSettings& settings) {
    return FormatDateTime(settings.ShortDateFormat, value, settings) + QLatin1Char(' ') +
           FormatDateTime(settings.LongTimeFormat, value, settings);
}
