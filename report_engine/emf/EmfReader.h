#pragma once

#include <QByteArray>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <optional>

#include "report_engine/emf/EmfRecords.h"

// Reading a metafile's bytes: the walk from record to record, and bounds-checked
// copies of the record structures of EmfRecords.h.
namespace Emf {

// One record inside a metafile's bytes, with bounds-checked reading of its fields.
class Record {
public:
    Record(const char* data, quint32 size) : FData(data), FSize(size) {}

    quint32 Type() const { return qFromLittleEndian<quint32>(FData); }
    quint32 Size() const { return FSize; }
    const char* Data() const { return FData; }
    // Whether `bytes` bytes from `offset` lie inside the record.
    bool Has(quint64 offset, quint64 bytes) const {
        return offset <= FSize && bytes <= FSize - offset;
    }
    // Copies the structure at `offset`; false when it does not lie inside the record.
    template <class Layout>
    bool Read(Layout& out, quint64 offset = 0) const {
        if (!Has(offset, sizeof(Layout))) return false;
        std::memcpy(&out, FData + offset, sizeof(Layout));
        return true;
    }
    // Copies what the record holds of a structure that writers may cut short, at
    // least `minimum` bytes; the missing fields read as zero.
    template <class Layout>
    bool ReadPrefix(Layout& out, quint32 minimum) const {
        if (FSize < minimum) return false;
        std::memset(&out, 0, sizeof(Layout));
        std::memcpy(&out, FData, std::min<quint64>(FSize, sizeof(Layout)));
        return true;
    }
    // An element of an array the caller has checked with Has.
    template <class Layout>
    Layout At(quint64 offset) const {
        Layout value;
        std::memcpy(&value, FData + offset, sizeof(Layout));
        return value;
    }

private:
    const char* FData;
    quint32 FSize;
};

// Walks the records of a metafile from `start`. Each step yields the next record; the
// walk ends at the end of the bytes or at the first record whose size is unsound (under
// eight bytes, not a multiple of four, or past the end), so it never reads outside the
// bytes and always moves forward.
class RecordWalk {
public:
    RecordWalk(const char* data, qint64 end, qint64 start = 0)
        : FData(data), FEnd(end), FOffset(start) {}
    explicit RecordWalk(const QByteArray& emf, qint64 start = 0)
        : RecordWalk(emf.constData(), emf.size(), start) {}

    std::optional<Record> Next() {
        if (FOffset + qint64(sizeof(EMR)) > FEnd) return std::nullopt;
        const quint32 size = qFromLittleEndian<quint32>(FData + FOffset + 4);
        if (size < sizeof(EMR) || size % 4 != 0 || qint64(size) > FEnd - FOffset) {
            FBroken = true;
            return std::nullopt;
        }
        FCurrent = FOffset;
        FOffset += size;
        return Record(FData + FCurrent, size);
    }
    // Where the record last yielded starts.
    qint64 Offset() const { return FCurrent; }
    // After the walk ended: the type of the record whose size ended it, or 0 when the
    // bytes ran out.
    quint32 BrokenType() const { return FBroken ? qFromLittleEndian<quint32>(FData + FOffset) : 0; }

private:
    const char* FData;
    qint64 FEnd;
    qint64 FOffset;
    qint64 FCurrent = 0;
    bool FBroken = false;
};

// A copy of the structure at `offset` of `bytes`, which the caller has checked holds it.
template <class Layout>
Layout ReadAt(const QByteArray& bytes, qint64 offset) {
    Layout value;
    std::memcpy(&value, bytes.constData() + offset, sizeof(Layout));
    return value;
}

}  // namespace Emf
