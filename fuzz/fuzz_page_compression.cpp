// Expands arbitrary bits with the page store's splay-tree code. The first two bytes give
// the length asked for, the rest is the coded payload: expanding must give exactly that
// many bytes or none, never read past the payload.
#include <QByteArray>
#include <cstring>
#include <optional>

#include "fuzz/FuzzSupport.h"
#include "report_engine/store/TVRCompress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CompressionFuzzPrefix prefix;
    if (size < sizeof prefix) return 0;
    std::memcpy(&prefix, data, sizeof prefix);
    const qint64 length = prefix.PlainLength;
    TVRCompress code;
    const std::optional<QByteArray> plain =
        code.Expand(reinterpret_cast<const char*>(data + sizeof prefix),
                    static_cast<qint64>(size - sizeof prefix), length);
    if (plain && plain->size() != length) __builtin_trap();

    // What is compressed expands back to itself.
    const QByteArray original(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray coded = TVRCompress().Compress(original);
    const std::optional<QByteArray> back =
        TVRCompress().Expand(coded.constData(), coded.size(), original.size());
    if (!back || *back != original) __builtin_trap();
    return 0;
}
