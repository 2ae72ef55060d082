// The row index against a brute-force oracle: generated rows sorted with the same
// collator one comparison at a time, and searched by scanning for the first row not
// below the key.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>

#include "data/TRowIndex.h"
#include "data/TextCollator.h"

namespace {

enum Column { Id, Tipo, Nome, Titulo, ColumnCount };
const std::vector<bool> kIntegerColumns{true, false, false, false};

// Texts that differ by case, accents, symbols, prefixes and blanks, so that ties, near
// ties and texts no row holds all occur.
const QStringList kTipos{"RUA", "rua", "Rua", "AVENIDA", "avenida", "TRAVESSA", "", "PRAÇA"};
const QString kLetters = QStringLiteral("aAáÁeEéçCz-' 1");
// Long texts that differ only after their first sixteen sort-key bytes, or only by case
// and accents there.
const QStringList kTitulos{"AVENIDA PRESIDENTE ", "Avenida Presidente ", "AVENIDA PRESIDÊNTE ",
                           "AVENIDA PRESIDENTE D", "AVENIDA PRESIDENT"};

QString randomName(QRandomGenerator& random) {
    QString name;
    const int length = random.bounded(5);
    for (int i = 0; i < length; ++i) name += kLetters[random.bounded(kLetters.size())];
    return name;
}

TFieldValue randomValue(QRandomGenerator& random, Column column) {
    if (random.bounded(10) == 0) return TFieldValue::Null();
    switch (column) {
        case Id:
            return TFieldValue::OfInteger(qint32(random.bounded(-50, 50)));
        case Tipo:
            return TFieldValue::OfText(kTipos[random.bounded(kTipos.size())]);
        case Titulo:
            return TFieldValue::OfText(kTitulos[random.bounded(kTitulos.size())] +
                                       randomName(random));
        default:
            return TFieldValue::OfText(randomName(random));
    }
}

// A search value: a row's kind of value, or a text no row may hold (a type with a letter
// more or a name in the type column), so that a key falls between the rows' keys.
TFieldValue randomKeyValue(QRandomGenerator& random, Column column) {
    TFieldValue value = randomValue(random, column);
    if (column == Id || !value.HasValue()) return value;
    if (column == Titulo && random.bounded(2)) {
        value.Text.truncate(random.bounded(value.Text.size() + 1));  // as typed so far
        return value;
    }
    switch (random.bounded(3)) {
        case 0:
            value.Text += kLetters[random.bounded(kLetters.size())];
            break;
        case 1:
            value.Text = randomName(random);
            break;
    }
    return value;
}

// -1, 0 or 1, a null before every value.
int compareValues(const TextCollator& collator, const TFieldValue& a, const TFieldValue& b,
                  bool text) {
    if (!a.HasValue() || !b.HasValue()) return int(a.HasValue()) - int(b.HasValue());
    if (!text) return a.Integer < b.Integer ? -1 : (a.Integer > b.Integer ? 1 : 0);
    const int order = collator.Compare(a.Text, b.Text);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

struct Oracle {
    const TextCollator& collator;
    const std::vector<TRowIndex::Part>& parts;
    const std::vector<std::vector<TFieldValue>>& values;  // per row id, per column

    int compareRowToKey(int id, const std::vector<TFieldValue>& key) const {
        for (size_t i = 0; i < key.size() && i < parts.size(); ++i) {
            const int order = compareValues(collator, values[size_t(id)][size_t(parts[i].Column)],
                                            key[i], parts[i].Text);
            if (order != 0) return order;
        }
        return 0;
    }

    std::vector<int> order(const std::vector<const TPackedRow*>& rows) const {
        std::vector<int> ids;
        for (int id = 0; id < int(rows.size()); ++id)
            if (rows[size_t(id)]) ids.push_back(id);
        std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
            std::vector<TFieldValue> keyOfB;
            for (const TRowIndex::Part& part : parts)
                keyOfB.push_back(values[size_t(b)][size_t(part.Column)]);
            return compareRowToKey(a, keyOfB) < 0;
        });
        return ids;
    }

    int firstNotBelow(const std::vector<int>& order, const std::vector<TFieldValue>& key) const {
        for (int position = 0; position < int(order.size()); ++position)
            if (compareRowToKey(order[size_t(position)], key) >= 0) return position;
        return int(order.size());
    }
};

}  // namespace

TEST(RowIndex, OrdersAndSearchesAsTheOracleDoes) {
    const struct {
        const char* what;
        std::vector<TRowIndex::Part> parts;
    } cases[] = {
        {"NOME", {{Nome, true}}},     {"TIPO;NOME", {{Tipo, true}, {Nome, true}}},
        {"I_ID", {{Id, false}}},      {"TIPO;I_ID", {{Tipo, true}, {Id, false}}},
        {"TITULO", {{Titulo, true}}}, {"TITULO;NOME", {{Titulo, true}, {Nome, true}}},
    };
    const TextCollator collator(0);
    QRandomGenerator random(20261210);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int rowCount = 400;
        std::vector<std::vector<TFieldValue>> values(rowCount);
        std::vector<TPackedRow> packed;
        for (auto& row : values) {
            for (int column = 0; column < ColumnCount; ++column)
                row.push_back(randomValue(random, Column(column)));
            packed.emplace_back(row, kIntegerColumns);
        }
        // One row in ten has been deleted and takes no part.
        std::vector<const TPackedRow*> rows;
        for (const TPackedRow& row : packed) rows.push_back(random.bounded(10) ? &row : nullptr);

        TRowIndex index;
        index.Build(
            c.parts, rowCount, [&](int id) { return rows[size_t(id)]; }, collator);
        const Oracle oracle{collator, c.parts, values};
        std::vector<int> expected = oracle.order(rows);
        ASSERT_EQ(index.Order(), expected);

        // Keys: rows' own values and fresh ones, half of them, each with one value or all;
        // then the same after rows left the order.
        for (const bool afterRemovals : {false, true}) {
            if (afterRemovals) {
                for (int i = 0; i < 40; ++i) {
                    const int position = random.bounded(index.Count());
                    index.RemoveAt(position);
                    expected.erase(expected.begin() + position);
                }
                ASSERT_EQ(index.Order(), expected);
            }
            for (int trial = 0; trial < 600; ++trial) {
                std::vector<TFieldValue> key;
                const int source = random.bounded(2 * rowCount);
                for (const TRowIndex::Part& part : c.parts) {
                    key.push_back(source < rowCount ? values[size_t(source)][size_t(part.Column)]
                                                    : randomKeyValue(random, Column(part.Column)));
                }
                if (random.bounded(2)) key.resize(1);
                ASSERT_EQ(index.FirstNotBelow(key), oracle.firstNotBelow(expected, key))
                    << "trial " << trial << (afterRemovals ? " after removals" : "");
            }
        }
    }
}
