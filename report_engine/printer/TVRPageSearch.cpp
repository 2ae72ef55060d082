#include "report_engine/printer/TVRPageSearch.h"

#include "core/Win1252.h"
#include "report_engine/emf/EmfTextRecords.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"

namespace {

using Emf::RecordText;

QString TextOf(const RecordText& record) {
    if (!record.Wide)
        return DecodeWin1252(reinterpret_cast<const char*>(record.Characters), int(record.Count));
    QString text(record.Count, Qt::Uninitialized);
    QChar* out = text.data();
    for (quint32 i = 0; i < record.Count; ++i)
        out[i] = QChar(char16_t(record.Characters[2 * i] | record.Characters[2 * i + 1] << 8));
    return text;
}

constexpr char16_t sharpS = 0xDF;

// What each character compares as, looked up by one byte: for UTF-16 text by the low
// byte of the character (the byte the single-byte fonts print), for 8-bit text by the
// record's byte (its Windows-1252 character's low byte, as the page player reads it).
// Without "Match case" the character is upper-cased one for one, as QString::toUpper
// does for every character of this range but the German sharp s, which becomes two;
// the sharp s keeps its own code here and the search handles it apart.
struct CompareTables {
    char16_t Wide[256];
    char16_t Narrow[256];

    explicit CompareTables(bool matchCase) {
        for (int byte = 0; byte < 256; ++byte) {
            const auto fold = [matchCase](uchar low) {
                if (matchCase || low == sharpS) return char16_t(low);
                return QChar(char16_t(low)).toUpper().unicode();
            };
            Wide[byte] = fold(uchar(byte));
            Narrow[byte] = fold(uchar(Win1252ToUnicode(uchar(byte)).unicode() & 0xFF));
        }
    }
    static const CompareTables& For(bool matchCase) {
        static const CompareTables exact(true), folded(false);
        return matchCase ? exact : folded;
    }
};

// Whether the record's text, compared character by character through `table`, holds
// `needle` (already in compared form). Reads the record's bytes in place.
bool HoldsFolded(const RecordText& record, const char16_t* table, const char16_t* needle,
                 quint32 needleSize) {
    const uchar* characters = record.Characters;
    const int step = record.Wide ? 2 : 1;  // the low byte comes first in UTF-16LE
    const char16_t first = needle[0];
    const quint32 lastStart = record.Count - needleSize;
    for (quint32 start = 0; start <= lastStart; ++start) {
        if (table[characters[start * step]] != first) continue;
        quint32 i = 1;
        while (i < needleSize && table[characters[(start + i) * step]] == needle[i]) ++i;
        if (i == needleSize) return true;
    }
    return false;
}

bool HoldsSharpS(const RecordText& record) {
    const int step = record.Wide ? 2 : 1;
    for (quint32 i = 0; i < record.Count; ++i) {
        const uchar byte = record.Characters[i * step];
        if ((record.Wide ? byte : Win1252ToUnicode(byte).unicode() & 0xFF) == sharpS) return true;
    }
    return false;
}

}  // namespace

namespace PageSearch {

QStringList PageTexts(const QByteArray& emf) {
    QStringList texts;
    Emf::ForEachText(emf, [&texts](const RecordText& record) {
        texts.append(TextOf(record));
        return true;
    });
    return texts;
}

QString Comparable(const QString& text, bool matchCase) {
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (const QChar character : text) *out++ = QChar(character.unicode() & 0xFF);
    return matchCase ? result : result.toUpper();
}

QList<qsizetype> Matches(const QString& text, const QString& needle, bool matchCase) {
    QList<qsizetype> starts;
    if (needle.isEmpty()) return starts;
    const QString haystack = Comparable(text, matchCase);
    // Upper-casing keeps one character per character for this single-byte range except
    // for the German sharp s; positions past a change of length would no longer fit
    // the record's characters, so such a text is matched without positions.
    if (haystack.size() != text.size()) return starts;
    for (qsizetype at = haystack.indexOf(needle); at >= 0;
         at = haystack.indexOf(needle, at + needle.size()))
        starts.append(at);
    return starts;
}

bool PageHolds(const QByteArray& emf, const QString& needle, bool matchCase) {
    if (needle.isEmpty()) return false;
    const CompareTables& tables = CompareTables::For(matchCase);
    const auto* wanted = reinterpret_cast<const char16_t*>(needle.constData());
    const auto wantedSize = quint32(needle.size());
    // An upper-cased sharp s reads "SS": only a needle with an S can meet one.
    const bool sharpSMatters = !matchCase && needle.contains(QLatin1Char('S'));
    bool found = false;
    Emf::ForEachText(emf, [&](const RecordText& record) {
        if (sharpSMatters && HoldsSharpS(record)) {
            found = Comparable(TextOf(record), matchCase).contains(needle);
        } else if (record.Count >= wantedSize) {
            found =
                HoldsFolded(record, record.Wide ? tables.Wide : tables.Narrow, wanted, wantedSize);
        }
        return !found;
    });
    return found;
}

QList<int> FindPages(const TVRPrinter& printer, const QString& text, bool matchCase,
                     const std::function<bool()>& keepGoing) {
    QList<int> pages;
    const QString needle = Comparable(text, matchCase);
    if (needle.isEmpty()) return pages;
    const int count = printer.PageCount();
    for (int page = 1; page <= count; ++page) {
        if (keepGoing && !keepGoing()) break;
        const std::unique_ptr<TVRMetafile> metafile = printer.GetPage(page);
        if (metafile && PageHolds(metafile->Bytes(), needle, matchCase)) pages.append(page);
    }
    return pages;
}

}  // namespace PageSearch
