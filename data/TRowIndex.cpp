#include "data/TRowIndex.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "data/TextCollator.h"

namespace {

quint64 integerRank(qint32 value) {
    return quint64(qint64(value) - INT32_MIN) + 1;
}

bool holdsValue(const TPackedRow* row, int column) {
    return row && !row->IsEmpty() && !row->IsNull(column);
}

}  // namespace

// The zeros that fill the rest of a short key's head sort below every other byte, as the
// key's own zero byte does.
TRowIndex::KeyHead TRowIndex::headOf(const char* key) {
    uchar bytes[kHeadBytes] = {};
    std::memcpy(bytes, key, std::min(std::strlen(key), sizeof bytes));
    return {qFromBigEndian<quint64>(bytes), qFromBigEndian<quint64>(bytes + 8)};
}

// Kept in registers: writing the filling bytes to memory and reading the heads back
// stalls the processor on every search.
std::pair<TRowIndex::KeyHead, TRowIndex::KeyHead> TRowIndex::headsStartingWith(const char* prefix,
                                                                               size_t length) {
    KeyHead low{qFromBigEndian<quint64>(prefix), qFromBigEndian<quint64>(prefix + 8)};
    KeyHead high = low;
    if (length <= 8) {
        const quint64 kept = ~quint64(0) << (8 * (8 - length));
        low = {low.high & kept, 0};
        high = {high.high | ~kept, ~quint64(0)};
    } else if (length < kHeadBytes) {
        const quint64 kept = ~quint64(0) << (8 * (kHeadBytes - length));
        low.low &= kept;
        high.low |= ~kept;
    }
    return {low, high};
}

void TRowIndex::Clear() {
    FParts.clear();
    FRanked.clear();
    FCollator = nullptr;
    FOrder.clear();
    FLeadRank.clear();
    FFirstPositionOfRank.clear();
}

void TRowIndex::Build(std::vector<Part> parts, int rowCount, const TRowAt& rowAt,
                      const TextCollator& collator) {
    FParts = std::move(parts);
    FCollator = &collator;
    FRanked.assign(FParts.size(), RankedPart());
    for (size_t i = 0; i < FParts.size(); ++i) {
        FRanked[i].part = FParts[i];
        FParts[i].Text ? RankTexts(FRanked[i], rowCount, rowAt)
                       : RankIntegers(FRanked[i], rowCount, rowAt);
    }
    FOrder.clear();
    FOrder.reserve(size_t(rowCount));
    for (int id = 0; id < rowCount; ++id)
        if (rowAt(id)) FOrder.push_back(id);
    Sort();
    IndexPositions();
}

int TRowIndex::PositionOf(int id) const {
    const auto it = std::find(FOrder.begin(), FOrder.end(), id);
    return it == FOrder.end() ? -1 : int(it - FOrder.begin());
}

void TRowIndex::RemoveAt(int position) {
    FOrder.erase(FOrder.begin() + position);
    IndexPositions();
}

void TRowIndex::RankIntegers(RankedPart& ranked, int rowCount, const TRowAt& rowAt) const {
    const int column = ranked.part.Column;
    ranked.rank.assign(size_t(rowCount), 0);
    for (int id = 0; id < rowCount; ++id) {
        const TPackedRow* row = rowAt(id);
        if (holdsValue(row, column)) ranked.rank[size_t(id)] = integerRank(row->Integer(column));
    }
}

// One sort key per distinct text (a column of 100,000 rows seldom holds more than a few
// thousand different values), the keys sorted once, and each row given the rank of its
// text's key.
void TRowIndex::RankTexts(RankedPart& ranked, int rowCount, const TRowAt& rowAt) const {
    const int column = ranked.part.Column;
    std::unordered_map<std::u16string_view, quint32> distinct;
    std::vector<std::u16string_view> texts;
    std::vector<quint32> distinctOf(size_t(rowCount), 0);  // 1-based; 0 for null
    for (int id = 0; id < rowCount; ++id) {
        const TPackedRow* row = rowAt(id);
        if (!holdsValue(row, column)) continue;
        const QStringView text = row->Text(column);
        const std::u16string_view view(text.utf16(), size_t(text.size()));
        const auto [it, added] = distinct.emplace(view, quint32(texts.size()));
        if (added) texts.push_back(view);
        distinctOf[size_t(id)] = it->second + 1;
    }

    std::vector<char> bytes;
    std::vector<quint32> starts(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        starts[i] = quint32(bytes.size());
        FCollator->AppendSortKey(QStringView(texts[i].data(), qsizetype(texts[i].size())), bytes);
        bytes.push_back('\0');
    }
    std::vector<quint32> byKey(texts.size());
    for (size_t i = 0; i < byKey.size(); ++i) byKey[i] = quint32(i);
    std::sort(byKey.begin(), byKey.end(), [&](quint32 a, quint32 b) {
        return std::strcmp(bytes.data() + starts[a], bytes.data() + starts[b]) < 0;
    });

    std::vector<quint32> rankOfDistinct(texts.size());
    const char* previous = nullptr;
    for (quint32 i : byKey) {
        const char* key = bytes.data() + starts[i];
        if (!previous || std::strcmp(previous, key) != 0) {
            ranked.keyStart.push_back(quint32(ranked.keyBytes.size()));
            ranked.keyHead.push_back(headOf(key));
            ranked.keyBytes.insert(ranked.keyBytes.end(), key, key + std::strlen(key) + 1);
            previous = key;
        }
        rankOfDistinct[i] = quint32(ranked.keyStart.size());
    }
    ranked.firstKeyOfByte.assign(257, quint32(ranked.keyHead.size()));
    for (size_t r = ranked.keyHead.size(); r-- > 0;)
        ranked.firstKeyOfByte[size_t(ranked.keyHead[r].high >> 56)] = quint32(r);
    for (size_t b = 256; b-- > 0;)
        ranked.firstKeyOfByte[b] = std::min(ranked.firstKeyOfByte[b], ranked.firstKeyOfByte[b + 1]);
    ranked.rank.assign(size_t(rowCount), 0);
    for (size_t id = 0; id < distinctOf.size(); ++id)
        if (distinctOf[id]) ranked.rank[id] = rankOfDistinct[distinctOf[id] - 1];
}

bool TRowIndex::RowLess(int a, int b) const {
    for (const RankedPart& ranked : FRanked) {
        const quint64 ra = ranked.rank[size_t(a)], rb = ranked.rank[size_t(b)];
        if (ra != rb) return ra < rb;
    }
    return a < b;  // equal keys keep the order of the ids
}

void TRowIndex::Sort() {
    if (FRanked.size() == 1) {
        // One part: sort (rank, id) pairs, which sit next to each other in memory.
        const std::vector<quint64>& rank = FRanked.front().rank;
        std::vector<std::pair<quint64, int>> keyed;
        keyed.reserve(FOrder.size());
        bool sorted = true;
        for (int id : FOrder) {
            if (!keyed.empty() && rank[size_t(id)] < keyed.back().first) sorted = false;
            keyed.emplace_back(rank[size_t(id)], id);
        }
        if (!sorted) {
            std::sort(keyed.begin(), keyed.end());
            for (size_t i = 0; i < keyed.size(); ++i) FOrder[i] = keyed[i].second;
        }
    } else if (!FRanked.empty()) {
        std::sort(FOrder.begin(), FOrder.end(), [this](int a, int b) { return RowLess(a, b); });
    }
}

void TRowIndex::IndexPositions() {
    FLeadRank.clear();
    FFirstPositionOfRank.clear();
    if (FRanked.empty()) return;
    const RankedPart& lead = FRanked.front();
    FLeadRank.reserve(FOrder.size());
    for (int id : FOrder) FLeadRank.push_back(lead.rank[size_t(id)]);
    if (!lead.part.Text) return;
    const size_t ranks = lead.keyStart.size() + 1;  // null, then each key
    FFirstPositionOfRank.assign(ranks + 1, int(FOrder.size()));
    for (size_t position = FLeadRank.size(); position-- > 0;)
        FFirstPositionOfRank[size_t(FLeadRank[position])] = int(position);
    for (size_t r = ranks; r-- > 0;)
        FFirstPositionOfRank[r] = std::min(FFirstPositionOfRank[r], FFirstPositionOfRank[r + 1]);
}

quint64 TRowIndex::SearchRank(const RankedPart& ranked, const TFieldValue& value) {
    if (!value.HasValue()) return 0;
    if (!ranked.part.Text) return 2 * integerRank(value.Integer);

    // The first level of the search key, closed by its separator, is compared with the
    // first bytes of the distinct keys: those below or above it on these bytes are below
    // or above the search key whatever its later levels hold. A typed prefix seldom
    // shares its first level with any key, and then its place is found without the
    // whole key, which costs ICU half as much again.
    const size_t length = FCollator->WritePrimaryKey(value.Text, FSearchKey) + 1;
    if (FSearchKey.size() < kHeadBytes) FSearchKey.resize(kHeadBytes);
    char* const primary = FSearchKey.data();
    primary[length - 1] = TextCollator::kLevelSeparator;

    // Keys whose heads lie outside the heads of the keys that start with primary are
    // decided by their heads.
    const auto [lowest, highest] = headsStartingWith(primary, length);
    const auto heads = ranked.keyHead.begin();
    const size_t leadByte = size_t(lowest.high >> 56);
    const auto headsFrom = std::lower_bound(heads + ranked.firstKeyOfByte[leadByte],
                                            heads + ranked.firstKeyOfByte[leadByte + 1], lowest);
    // Few keys share a head, so the end of those that do is sought in growing steps.
    const auto headsEnd = ranked.keyHead.end();
    auto headsTo = headsFrom;
    ptrdiff_t step = 1;
    for (; headsEnd - headsTo > step && headsTo[step] <= highest; step *= 2) headsTo += step;
    headsTo = std::upper_bound(headsTo, headsTo + std::min(step, headsEnd - headsTo), highest);
    const auto starts = ranked.keyStart.begin();
    const char* const bytes = ranked.keyBytes.data();
    auto from = starts + (headsFrom - heads), to = starts + (headsTo - heads);
    if (length > kHeadBytes) {
        // A head holds only the first bytes of primary.
        from = std::lower_bound(from, to, primary, [&](quint32 start, const char* wanted) {
            return std::strncmp(bytes + start, wanted, length) < 0;
        });
        to = std::upper_bound(from, to, primary, [&](const char* wanted, quint32 start) {
            return std::strncmp(wanted, bytes + start, length) < 0;
        });
    }
    if (from == to) return 2 * (quint64(from - starts) + 1) - 1;  // between two ranks

    // Keys that share the first level: the whole key places the search key among them.
    FCollator->WriteSortKey(value.Text, FSearchKey);
    const char* key = FSearchKey.data();
    const auto at = std::lower_bound(from, to, key, [&](quint32 start, const char* wanted) {
        return std::strcmp(bytes + start, wanted) < 0;
    });
    const quint64 rank = quint64(at - starts) + 1;
    const bool exact = at != to && std::strcmp(bytes + *at, key) == 0;
    return exact ? 2 * rank : 2 * rank - 1;
}

int TRowIndex::FirstNotBelow(const std::vector<TFieldValue>& key) {
    const int parts = std::min(int(key.size()), int(FRanked.size()));
    if (parts == 0) return 0;
    FSearchRanks.resize(size_t(parts));
    for (int i = 0; i < parts; ++i)
        FSearchRanks[size_t(i)] = SearchRank(FRanked[size_t(i)], key[size_t(i)]);

    if (parts == 1 && !FFirstPositionOfRank.empty()) {
        // Half step 2r - 1 or 2r: the first row whose rank is at least r.
        return FFirstPositionOfRank[size_t((FSearchRanks[0] + 1) / 2)];
    }
    if (parts == 1) {
        // One array, read in the order of the rows: the first row not below the key.
        const quint64 wanted = FSearchRanks[0];
        return int(std::lower_bound(FLeadRank.begin(), FLeadRank.end(), wanted,
                                    [](quint64 rank, quint64 key) { return 2 * rank < key; }) -
                   FLeadRank.begin());
    }
    const auto rowBelowKey = [&](int id, int) {
        for (int i = 0; i < parts; ++i) {
            const quint64 rowRank = 2 * FRanked[size_t(i)].rank[size_t(id)];
            if (rowRank != FSearchRanks[size_t(i)]) return rowRank < FSearchRanks[size_t(i)];
        }
        return false;
    };
    return int(std::lower_bound(FOrder.begin(), FOrder.end(), 0, rowBelowKey) - FOrder.begin());
}
