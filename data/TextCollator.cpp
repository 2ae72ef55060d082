#include "data/TextCollator.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <QLocale>
#include <algorithm>
#include <cstdint>

#include "core/Exception.h"

namespace {

// The user's default locale as ICU names it. The C and POSIX locales have no
// linguistic order of their own (ICU's "en_US_POSIX" puts every capital before every
// small letter), so they fall back to the root order.
QByteArray defaultLocaleName() {
    const QString name = QLocale::system().name();
    if (name.isEmpty() || name == u"C" || name.startsWith(u"C.") || name == u"POSIX") return {};
    return name.toLatin1();
}

QByteArray localeNameFor(int localeId) {
    if (localeId == 0) return defaultLocaleName();
    char name[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        uloc_getLocaleForLCID(static_cast<uint32_t>(localeId), name, sizeof name, &status);
    if (U_FAILURE(status) || length <= 0) return defaultLocaleName();
    // An identifier that names a locale ICU has no data for counts as unknown.
    bool installed = false;
    for (int32_t i = 0, count = uloc_countAvailable(); i < count && !installed; ++i) {
        const char* available = uloc_getAvailable(i);
        installed = qstrcmp(available, name) == 0;
    }
    return installed ? QByteArray(name) : defaultLocaleName();
}

}  // namespace

TextCollator::TextCollator(int localeId) {
    const QByteArray name = localeNameFor(localeId);
    UErrorCode status = U_ZERO_ERROR;
    FCollator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        FCollator = ucol_open("", &status);
    }
    if (U_FAILURE(status) || !FCollator)
        throw EDatabaseError(QStringLiteral("Unable to open the text collation: %1")
                                 .arg(QString::fromLatin1(u_errorName(status))));
    FLocaleName = QString::fromLatin1(name);

    status = U_ZERO_ERROR;
    ucol_setStrength(FCollator, UCOL_TERTIARY);
    ucol_setAttribute(FCollator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    ucol_setAttribute(FCollator, UCOL_CASE_FIRST, UCOL_LOWER_FIRST, &status);
    ucol_setAttribute(FCollator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(FCollator, UCOL_CASE_LEVEL, UCOL_OFF, &status);
    // Text reaches the program through WIN1252, whose accented letters are all
    // precomposed, so no normalisation pass is needed before collating.
    ucol_setAttribute(FCollator, UCOL_NORMALIZATION_MODE, UCOL_OFF, &status);

    status = U_ZERO_ERROR;
    FPrimaryCollator = ucol_clone(FCollator, &status);
    if (U_FAILURE(status) || !FPrimaryCollator) {
        ucol_close(FCollator);
        throw EDatabaseError(QStringLiteral("Unable to open the text collation: %1")
                                 .arg(QString::fromLatin1(u_errorName(status))));
    }
    ucol_setStrength(FPrimaryCollator, UCOL_PRIMARY);
}

TextCollator::~TextCollator() {
    if (FPrimaryCollator) ucol_close(FPrimaryCollator);
    if (FCollator) ucol_close(FCollator);
}

int TextCollator::Compare(QStringView left, QStringView right) const {
    return ucol_strcoll(
        FCollator, reinterpret_cast<const UChar*>(left.utf16()), static_cast<int32_t>(left.size()),
        reinterpret_cast<const UChar*>(right.utf16()), static_cast<int32_t>(right.size()));
}

namespace {

// Writes the sort key of text, with its zero byte, into keys from start on, growing keys
// as needed but never shrinking it; returns the key's length without the zero byte.
size_t writeSortKey(const UCollator* collator, QStringView text, std::vector<char>& keys,
                    size_t start) {
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    // Latin text needs a little under three key bytes per character at this strength;
    // a longer key is asked for again with the size ICU reports.
    const size_t guess = static_cast<size_t>(length) * 3 + 16;
    if (keys.size() < start + guess) keys.resize(start + guess);
    auto room = static_cast<int32_t>(std::min<size_t>(keys.size() - start, INT32_MAX));
    for (;;) {
        const int32_t needed = ucol_getSortKey(
            collator, source, length, reinterpret_cast<uint8_t*>(keys.data() + start), room);
        if (needed <= room) return static_cast<size_t>(needed) - 1;  // needed counts the zero
        room = needed;
        keys.resize(start + static_cast<size_t>(room));
    }
}

}  // namespace

size_t TextCollator::AppendSortKey(QStringView text, std::vector<char>& keys) const {
    const size_t start = keys.size();
    const size_t length = writeSortKey(FCollator, text, keys, start);
    keys.resize(start + length + 1);
    return length;
}

size_t TextCollator::WriteSortKey(QStringView text, std::vector<char>& key) const {
    return writeSortKey(FCollator, text, key, 0);
}

size_t TextCollator::WritePrimaryKey(QStringView text, std::vector<char>& key) const {
    return writeSortKey(FPrimaryCollator, text, key, 0);
}

QByteArray TextCollator::SortKey(QStringView text) const {
    std::vector<char> key;
    const size_t length = AppendSortKey(text, key);
    return QByteArray(key.data(), static_cast<qsizetype>(length));
}
