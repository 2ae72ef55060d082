#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Tables of separated values as spreadsheets and open-data portals write them
// (RFC 4180): records end at a line break, fields are separated by a comma or a
// semicolon, and a field in double quotes may hold separators, line breaks and quotes
// (written twice).

struct CsvField {
    QString Text;
    bool Quoted = false;  // an empty quoted field is empty text; an empty bare one, nothing
};

struct CsvRecord {
    int Line = 0;  // the file's line the record starts on, from 1
    QList<CsvField> Fields;
    // Set when the record breaks the format; ProblemField is the field it is in.
    QString Problem;
    int ProblemField = -1;
};

// A file's text and the encoding it was read in.
struct CsvText {
    QString Text;
    QString Encoding;  // "UTF-8" or "Windows-1252"
};

// UTF-8 (with or without a byte-order mark) when the bytes are valid UTF-8, otherwise
// Windows-1252. None, with the reason in `problem`, for bytes that are neither (NUL
// bytes, UTF-16, bytes Windows-1252 leaves unassigned).
std::optional<CsvText> DecodeCsvText(const QByteArray& bytes, QString* problem);

// The separator of the first line (outside quotes): a semicolon when it has more
// semicolons than commas, otherwise a comma.
QChar DetectCsvSeparator(const QString& text);

// Every record of the text; lines with nothing on them are left out.
QList<CsvRecord> ParseCsv(const QString& text, QChar separator);

// One field for a comma-separated file: bare when it can be, in quotes when it holds
// a comma, a quote, a line break or blanks at either end; nothing at all for a null
// value and "" for empty text, so that a reader can tell the two apart.
QString CsvFieldText(const std::optional<QString>& value);
