#include "data/DataPacket.h"

#include <cstring>

// Slot layout: bits 0-27 the end of the value (in units from the start of the data
// area), bits 28-29 the indicator, bit 30 set for an integer.
namespace {
constexpr quint32 EndMask = 0x0FFFFFFF;
constexpr int IndicatorShift = 28;
constexpr quint32 IntegerBit = 0x40000000;
constexpr int HeaderUnits = 1;  // the column count
constexpr int SlotUnits = 2;
}  // namespace

TPackedRow::TPackedRow(const std::vector<TFieldValue>& values,
                       const std::vector<bool>& integerColumns) {
    const int count = int(values.size());
    size_t dataUnits = 0;
    for (int i = 0; i < count; ++i) {
        if (values[i].Indicator != TFieldIndicator::Value) continue;
        dataUnits += integerColumns[i] ? 2 : size_t(values[i].Text.size());
    }
    if (dataUnits > EndMask) throw EDatabaseError(QStringLiteral("Record too large"));
    FUnits = HeaderUnits + size_t(count) * SlotUnits + dataUnits;
    FData.reset(new char16_t[FUnits]);
    FData[0] = char16_t(count);
    char16_t* slotArea = FData.get() + HeaderUnits;
    char16_t* data = slotArea + count * SlotUnits;
    quint32 end = 0;
    for (int i = 0; i < count; ++i) {
        const TFieldValue& value = values[i];
        quint32 slot = quint32(value.Indicator) << IndicatorShift;
        if (integerColumns[i]) slot |= IntegerBit;
        if (value.Indicator == TFieldIndicator::Value) {
            if (integerColumns[i]) {
                std::memcpy(data + end, &value.Integer, sizeof(qint32));
                end += 2;
            } else {
                const qsizetype length = value.Text.size();
                if (length) std::memcpy(data + end, value.Text.utf16(), size_t(length) * 2);
                end += quint32(length);
            }
        }
        slot |= end;
        std::memcpy(slotArea + i * SlotUnits, &slot, sizeof slot);
    }
}

TPackedRow::TPackedRow(const TPackedRow& other) : FUnits(other.FUnits) {
    if (other.FData) {
        FData.reset(new char16_t[FUnits]);
        std::memcpy(FData.get(), other.FData.get(), FUnits * sizeof(char16_t));
    }
}

TPackedRow& TPackedRow::operator=(const TPackedRow& other) {
    if (this != &other) *this = TPackedRow(other);
    return *this;
}

quint32 TPackedRow::Slot(int column) const {
    quint32 slot;
    std::memcpy(&slot, FData.get() + HeaderUnits + column * SlotUnits, sizeof slot);
    return slot;
}

int TPackedRow::DataStart(int column) const {
    return column == 0 ? 0 : int(Slot(column - 1) & EndMask);
}

TFieldIndicator TPackedRow::Indicator(int column) const {
    if (!FData || column >= ColumnCount()) return TFieldIndicator::Unassigned;
    return TFieldIndicator((Slot(column) >> IndicatorShift) & 3);
}

qint32 TPackedRow::Integer(int column) const {
    if (!FData || column >= ColumnCount()) return 0;
    const quint32 slot = Slot(column);
    if (!(slot & IntegerBit) ||
        TFieldIndicator((slot >> IndicatorShift) & 3) != TFieldIndicator::Value)
        return 0;
    qint32 value;
    std::memcpy(&value, FData.get() + HeaderUnits + ColumnCount() * SlotUnits + DataStart(column),
                sizeof value);
    return value;
}

QStringView TPackedRow::Text(int column) const {
    if (!FData || column >= ColumnCount()) return {};
    const quint32 slot = Slot(column);
    if (slot & IntegerBit) return {};
    const int start = DataStart(column);
    const char16_t* data = FData.get() + HeaderUnits + ColumnCount() * SlotUnits;
    return QStringView(data + start, qsizetype(int(slot & EndMask) - start));
}

TFieldValue TPackedRow::Value(int column) const {
    TFieldValue value;
    value.Indicator = Indicator(column);
    if (value.Indicator != TFieldIndicator::Value) return value;
    if (Slot(column) & IntegerBit)
        value.Integer = Integer(column);
    else
        value.Text = Text(column).toString();
    return value;
}

void TPackedRow::Unpack(std::vector<TFieldValue>& values) const {
    const int count = ColumnCount();
    values.resize(size_t(count));
    for (int i = 0; i < count; ++i) values[size_t(i)] = Value(i);
}

bool TPacketColumn::IsInteger() const {
    switch (DataType) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return true;
        default:
            return false;
    }
}

std::vector<bool> IntegerColumns(const std::vector<TPacketColumn>& columns) {
    std::vector<bool> result;
    result.reserve(columns.size());
    for (const TPacketColumn& column : columns) result.push_back(column.IsInteger());
    return result;
}
