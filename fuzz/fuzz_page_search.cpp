// Reads arbitrary bytes as a stored page with the preview's text search, which takes
// the text records straight from the page without playing it. Reading must stay inside
// each record, and what the search reports is checked against a plain scan of the
// page's texts: the positions Matches gives, and whether PageHolds and FindPages find
// the page, with and without case. The page goes through FindPages as the preview hands it over: as
// the one page of a native report file loaded by a page printer.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPageSearch.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/store/PageFileLayout.h"

namespace {

// The comparison as the search documents it, written the slow way: each character
// taken by its low byte, the whole text upper-cased unless the case must match.
QString PlainComparable(const QString& text, bool matchCase) {
    QString lowBytes;
    for (const QChar character : text) lowBytes.append(QChar(character.unicode() & 0xFF));
    return matchCase ? lowBytes : lowBytes.toUpper();
}

QList<qsizetype> PlainMatches(const QString& text, const QString& needle, bool matchCase) {
    QList<qsizetype> starts;
    const QString haystack = PlainComparable(text, matchCase);
    if (needle.isEmpty() || haystack.size() != text.size()) return starts;
    for (qsizetype at = 0; at + needle.size() <= haystack.size();) {
        if (QStringView(haystack).mid(at, needle.size()) == needle) {
            starts.append(at);
            at += needle.size();
        } else {
            ++at;
        }
    }
    return starts;
}

bool PlainContains(const QStringList& texts, const QString& search, bool matchCase) {
    const QString needle = PlainComparable(search, matchCase);
    if (needle.isEmpty()) return false;
    for (const QString& text : texts)
        if (PlainComparable(text, matchCase).contains(needle)) return true;
    return false;
}

// A native report file holding `emf` as its one uncompressed page.
QByteArray OnePageFile(const QByteArray& emf) {
    QByteArray file;
    PageFile::Append(file, PageFile::NewHeader(1, 0, false));
    PageFile::AppendRecord(file, 1, emf);
    return file;
}

// Written for each input and removed once loaded (the printer holds what it read).
QString PageFilePath() {
    static const QString path = QDir::temp().filePath(
        QStringLiteral("vialar-fuzz-search-%1.vrp").arg(QCoreApplication::applicationPid()));
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartFuzzApplication();
    const QByteArray emf(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList texts = PageSearch::PageTexts(emf);

    // A piece of the page's own text, so that most inputs have something to find; its
    // case turned for every other input, so that both comparisons meet both cases.
    QString search = QStringLiteral("rua");
    for (const QString& text : texts)
        if (!text.isEmpty()) {
            search = text.mid(text.size() / 3, 3);
            break;
        }
    if (size % 2) search = search.toLower();

    for (const bool matchCase : {true, false}) {
        const QString needle = PageSearch::Comparable(search, matchCase);
        if (needle != PlainComparable(search, matchCase)) __builtin_trap();
        for (const QString& text : texts)
            if (PageSearch::Matches(text, needle, matchCase) !=
                PlainMatches(text, needle, matchCase))
                __builtin_trap();
        // The search's own reading, which compares the characters where they lie.
        if (PageSearch::PageHolds(emf, needle, matchCase) !=
            PlainContains(texts, search, matchCase))
            __builtin_trap();
    }

    if (emf.size() > 1024 * 1024) return 0;  // past max_len; keeps the file write small
    {
        QFile file(PageFilePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(OnePageFile(emf));
    }
    TVRPrinter printer;
    try {
        printer.Load(PageFilePath());
    } catch (...) {
        QFile::remove(PageFilePath());
        return 0;
    }
    QFile::remove(PageFilePath());
    const std::unique_ptr<TVRMetafile> page = printer.GetPage(1);
    const QStringList stored = page ? PageSearch::PageTexts(page->Bytes()) : QStringList();
    for (const bool matchCase : {true, false}) {
        const QList<int> expected =
            PlainContains(stored, search, matchCase) ? QList<int>{1} : QList<int>{};
        if (PageSearch::FindPages(printer, search, matchCase) != expected) __builtin_trap();
    }
    return 0;
}
