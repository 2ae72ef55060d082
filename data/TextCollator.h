#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

struct UCollator;

// The linguistic text order of a cached data set: letters first, then accents, then
// case, with lower case just before upper case ("rua x" right before "RUA X");
// hyphens, apostrophes and blanks count as symbols instead of being skipped; digits
// compare one by one (no numeric ordering).
//
// One ordering, two ways to use it: Compare for a single comparison, and sort keys
// (byte strings whose strcmp order is the same) for sorting many rows and for binary
// search over them. Both come from the same collator, so they always agree.
class TextCollator {
public:
    // localeId: a Windows locale identifier; 0, or one with no installed collation,
    // stands for the user's default locale.
    explicit TextCollator(int localeId = 0);
    ~TextCollator();
    TextCollator(const TextCollator&) = delete;
    TextCollator& operator=(const TextCollator&) = delete;

    int Compare(QStringView left, QStringView right) const;  // <0, 0, >0

    // Appends the sort key of text to keys, with its terminating zero byte, and
    // returns the key's length without it.
    size_t AppendSortKey(QStringView text, std::vector<char>& keys) const;
    QByteArray SortKey(QStringView text) const;

    // The same key written at the start of key, which grows as needed and never shrinks,
    // so that a buffer kept between calls costs no allocation; returns its length
    // without the zero byte.
    size_t WriteSortKey(QStringView text, std::vector<char>& key) const;

    // A sort key holds its levels one after the other (letters, then accents, then
    // case), each closed by this byte, which is below every weight.
    static constexpr char kLevelSeparator = 1;
    // Like WriteSortKey, but only the first level: the bytes the whole key holds before
    // its first separator. ICU makes it in about two thirds of the time of the whole key,
    // and it alone places a text among keys whose first level differs from its own.
    size_t WritePrimaryKey(QStringView text, std::vector<char>& key) const;

    // The ICU locale the collator was opened for ("" is the root order).
    QString LocaleName() const { return FLocaleName; }

private:
    UCollator* FCollator = nullptr;
    UCollator* FPrimaryCollator = nullptr;  // the same order at the first level only
    QString FLocaleName;
};
