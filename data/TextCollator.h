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

    // The ICU locale the collator was opened for ("" is the root order).
    QString LocaleName() const { return FLocaleName; }

private:
    UCollator* FCollator = nullptr;
    QString FLocaleName;
};
