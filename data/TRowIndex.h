#pragma once

// TRowIndex: the order of a cached data set's rows on its index fields, and the search
// for the first row not below a key, which FindNearest runs on every keystroke.
//
// Rows are addressed by id (their place in the data set's table) and the order lists the
// ids of the rows that take part. Rows compare part by part: a null before every value,
// integers by value, texts by the collator's linguistic order; rows with equal keys keep
// the order of their ids (the packet's order).
//
// Every row gets a rank per part, so that sorting and searching compare numbers and never
// call the collator per comparison. Null ranks 0. An integer ranks by its value; a text by
// the position of its sort key among the sorted distinct keys of the column (texts that
// collate equal share a rank), and those keys stay here so that a search text can be
// placed among them.

#include <QtGlobal>
#include <functional>
#include <utility>
#include <vector>

#include "data/DataPacket.h"
#include "data/TField.h"

class TextCollator;

class TRowIndex {
public:
    // One field of the order: the column it reads, and whether that column holds text
    // (otherwise integers).
    struct Part {
        int Column = 0;
        bool Text = false;
    };

    // The values of row id of the table, or nullptr for a row that takes no part
    // (deleted, dropped).
    using TRowAt = std::function<const TPackedRow*(int id)>;

    // Ranks the rowCount rows of the table on the parts and puts them in order. Without
    // parts the order is that of the ids. The collator orders the text parts and must
    // outlive the index (or the next Build).
    void Build(std::vector<Part> parts, int rowCount, const TRowAt& rowAt,
               const TextCollator& collator);
    // No parts, no rows.
    void Clear();

    const std::vector<Part>& Parts() const { return FParts; }
    const std::vector<int>& Order() const { return FOrder; }
    int Count() const { return int(FOrder.size()); }
    bool IsEmpty() const { return FOrder.empty(); }
    int IdAt(int position) const { return FOrder[size_t(position)]; }
    // The position of a row in the order; -1 when it takes no part.
    int PositionOf(int id) const;

    // The row at position leaves the order (it was deleted); the others keep their order.
    void RemoveAt(int position);

    // The first position whose row is not below key, comparing the first key.size()
    // parts with a full comparison of each value (a shorter text that is a prefix of
    // another sorts first); Count() when every row is below it. key holds one value per
    // part, integers for integer parts and texts for text parts; one without a value
    // (null, unassigned) is below every value.
    int FirstNotBelow(const std::vector<TFieldValue>& key);

private:
    // The first sixteen bytes of a sort key as two numbers, most significant first:
    // heads order as the keys do, and only keys with equal heads need a byte comparison.
    struct KeyHead {
        quint64 high = 0, low = 0;
        auto operator<=>(const KeyHead&) const = default;
    };
    static constexpr size_t kHeadBytes = 16;
    static KeyHead headOf(const char* key);  // of a zero-terminated key
    // The lowest and the highest head of a key that starts with prefix[0, length),
    // read from the sixteen bytes at prefix, of which those from length on are ignored.
    static std::pair<KeyHead, KeyHead> headsStartingWith(const char* prefix, size_t length);

    struct RankedPart {
        Part part;
        std::vector<quint64> rank;      // per row id
        std::vector<char> keyBytes;     // distinct sort keys in order, each zero-terminated
        std::vector<quint32> keyStart;  // where the key of rank r starts, at r - 1
        std::vector<KeyHead> keyHead;   // its first sixteen bytes, at r - 1
        // The first key (r - 1) whose first byte is at least b, at b (and the key count
        // at 256), so that a search starts among the keys that share its first byte.
        std::vector<quint32> firstKeyOfByte;
    };

    void RankIntegers(RankedPart& ranked, int rowCount, const TRowAt& rowAt) const;
    void RankTexts(RankedPart& ranked, int rowCount, const TRowAt& rowAt) const;
    void Sort();
    void IndexPositions();
    bool RowLess(int a, int b) const;
    // A key value's place among the ranks of its part, in half steps: 2r is rank r itself,
    // 2r - 1 lies between ranks r - 1 and r (a text no row holds).
    quint64 SearchRank(const RankedPart& ranked, const TFieldValue& value);

    std::vector<Part> FParts;
    std::vector<RankedPart> FRanked;
    const TextCollator* FCollator = nullptr;
    std::vector<int> FOrder;
    std::vector<quint64> FLeadRank;  // rank of the first part, by position in the order
    // For a text first part: the first position whose rank is at least r, at r (one entry
    // per distinct value), so that a one-value search ends in one lookup.
    std::vector<int> FFirstPositionOfRank;
    // Work space of the search, kept between calls.
    std::vector<char> FSearchKey;
    std::vector<quint64> FSearchRanks;
};
