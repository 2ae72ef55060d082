#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "core/CodePage.h"
#include "report_engine/base/DurableFile.h"

// The character encodings an export filter can write its file in.
enum TTextEncoding {
    AnsiEncoding,              // code page 1252
    ASCIIEncoding,             // 7-bit ASCII
    BigEndianUnicodeEncoding,  // UTF-16 big-endian, mark FE FF
    DefaultEncoding,           // the program's ANSI code page: 1252, as for AnsiEncoding
    UnicodeEncoding,           // UTF-16 little-endian, mark FF FE
    UTF7Encoding,              // UTF-7
    UTF8Encoding               // UTF-8, mark EF BB BF
};

// The byte-order mark a file of `encoding` starts with (empty when it has none).
QByteArray ByteOrderMark(TTextEncoding encoding);

// Converts text piece by piece into one encoding (see TCodePageEncoder): every
// character the encoding cannot hold becomes "?".
class TVRTextEncoder : public TCodePageEncoder {
public:
    explicit TVRTextEncoder(TTextEncoding encoding);
};

// `text` in `encoding`, without a mark; a character the encoding cannot hold becomes
// "?" (a surrogate pair, one character, becomes one "?").
QByteArray EncodeText(const QString& text, TTextEncoding encoding);

// A text file's bytes: the mark, then every line followed by CR LF (the last one too).
QByteArray EncodeLines(const QStringList& lines, TTextEncoding encoding);

// Writes `bytes` as the file `fileName`, whole or not at all: an existing file is
// replaced only once the new content is completely written. Throws Exception naming the
// file and the reason when it cannot be written.
void WriteExportFile(const QString& fileName, const QByteArray& bytes);

// The file of a text export, written line by line as the lines are made: each is
// encoded (after the encoding's byte-order mark) and followed by CR LF on its way into
// the file, so the document is never held whole. The target gets its name only at
// Commit; until then, and when the object goes without a Commit, an older file of
// that name stays as it was. The bytes are those of EncodeLines over all the lines.
class TVRTextExportFile {
public:
    // Throws Exception (CannotCreateFileMessage) when the target cannot be written.
    TVRTextExportFile(const QString& fileName, TTextEncoding encoding);

    void WriteLine(QStringView line);
    // Writes what is left and gives the file its name; throws Exception when it cannot.
    void Commit();

private:
    void Write(bool last);

    QString FFileName;
    DurableFile FFile;
    TVRTextEncoder FEncoder;
    QByteArray FEncoded;  // encoded, not yet written
};

// The error an export raises for a file it cannot create or write.
QString CannotCreateFileMessage(const QString& fileName, const QString& reason);
