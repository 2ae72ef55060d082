#include "tool/CsvTable.h"

#include <QStringDecoder>

#include "core/Win1252.h"

namespace {

// The 1-based line of byte `offset`: line breaks before it, plus one.
int LineOfByte(const QByteArray& bytes, qsizetype offset) {
    return int(bytes.left(offset).count('\n')) + 1;
}

bool IsLineBreak(QChar character) {
    return character == u'\n' || character == u'\r';
}

}  // namespace

std::optional<CsvText> DecodeCsvText(const QByteArray& bytes, QString* problem) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        *problem = QStringLiteral("o arquivo está em UTF-16; salve-o em UTF-8 ou em Windows-1252.");
        return std::nullopt;
    }
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        *problem = QStringLiteral("o arquivo não é texto (byte nulo na linha %1).")
                       .arg(LineOfByte(bytes, nul));
        return std::nullopt;
    }
    const bool byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArray body = byteOrderMark ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return CsvText{std::move(text), QStringLiteral("UTF-8")};
    if (byteOrderMark) {
        *problem = QStringLiteral("o arquivo começa pela marca do UTF-8 mas não está em UTF-8 "
                                  "válido.");
        return std::nullopt;
    }
    // Windows-1252 leaves five bytes unassigned; a file holding one is in some other
    // encoding, and guessing would store wrong letters.
    for (qsizetype i = 0; i < body.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(body[i]);
        if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) {
            *problem = QStringLiteral("o arquivo não está em UTF-8 nem em Windows-1252 (byte "
                                      "0x%1 na linha %2).")
                           .arg(QString::number(byte, 16).toUpper())
                           .arg(LineOfByte(body, i));
            return std::nullopt;
        }
    }
    return CsvText{DecodeWin1252(body.constData(), int(body.size())),
                   QStringLiteral("Windows-1252")};
}

QChar DetectCsvSeparator(const QString& text) {
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const QChar character : text) {
        if (character == u'"') quoted = !quoted;
        if (quoted) continue;
        if (IsLineBreak(character)) break;
        if (character == u';') ++semicolons;
        if (character == u',') ++commas;
    }
    return semicolons > commas ? QChar(u';') : QChar(u',');
}

QList<CsvRecord> ParseCsv(const QString& text, QChar separator) {
    QList<CsvRecord> records;
    const qsizetype end = text.size();
    qsizetype at = 0;
    int line = 1;
    // Moves past one line break (CR LF counts once) and counts it.
    auto passLineBreak = [&] {
        if (text[at] == u'\r' && at + 1 < end && text[at + 1] == u'\n') ++at;
        ++at;
        ++line;
    };

    while (at < end) {
        CsvRecord record;
        record.Line = line;
        bool recordEnds = false;
        while (!recordEnds) {
            CsvField field;
            if (at < end && text[at] == u'"') {
                field.Quoted = true;
                ++at;
                bool closed = false;
                while (at < end) {
                    const QChar character = text[at];
                    if (character == u'"') {
                        if (at + 1 < end && text[at + 1] == u'"') {
                            field.Text += u'"';
                            at += 2;
                            continue;
                        }
                        ++at;
                        closed = true;
                        break;
                    }
                    if (IsLineBreak(character)) {
                        // Kept as written: CR LF stays CR LF.
                        const qsizetype from = at;
                        passLineBreak();
                        field.Text += QStringView(text).mid(from, at - from);
                        continue;
                    }
                    field.Text += character;
                    ++at;
                }
                if (!closed && record.Problem.isEmpty()) {
                    record.Problem = QStringLiteral(
                        "as aspas abertas neste campo não se fecham até o fim do arquivo.");
                    record.ProblemField = int(record.Fields.size());
                }
                // Anything between the closing quote and the separator breaks the format.
                const qsizetype stray = at;
                while (at < end && text[at] != separator && !IsLineBreak(text[at])) ++at;
                if (at > stray && record.Problem.isEmpty()) {
                    record.Problem =
                        QStringLiteral("depois das aspas que fecham o campo vem \"%1\"; aspas "
                                       "dentro de um campo entre aspas são escritas dobradas.")
                            .arg(QStringView(text).mid(stray, at - stray).left(20));
                    record.ProblemField = int(record.Fields.size());
                }
            } else {
                const qsizetype from = at;
                while (at < end && text[at] != separator && !IsLineBreak(text[at])) ++at;
                field.Text = text.mid(from, at - from);
            }
            record.Fields.append(std::move(field));
            if (at < end && text[at] == separator) {
                ++at;
            } else {
                if (at < end) passLineBreak();
                recordEnds = true;
            }
        }
        const bool blankLine = record.Fields.size() == 1 && !record.Fields[0].Quoted &&
                               record.Fields[0].Text.isEmpty();
        if (!blankLine) records.append(std::move(record));
    }
    return records;
}

QString CsvFieldText(const std::optional<QString>& value) {
    if (!value) return QString();
    const QString& text = *value;
    const bool needsQuotes = text.isEmpty() || text.contains(u',') || text.contains(u'"') ||
                             text.contains(u'\n') || text.contains(u'\r') ||
                             text.startsWith(u' ') || text.endsWith(u' ');
    if (!needsQuotes) return text;
    QString quoted = text;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}
