#include "report_engine/store/TVRCompress.h"

TVRCompress::TVRCompress() {
    for (int i = 1; i <= 2 * Leaves; ++i) Up[i] = (i - 1) / 2;
    Up[Root] = Root;
    for (int i = 0; i < Leaves; ++i) {
        Left[i] = 2 * i + 1;
        Right[i] = 2 * i + 2;
    }
}

// Moves the leaf of `plain` up the tree by semi-splaying: every step swaps the
// grandparent's other subtree with the node being lifted, halving its depth.
void TVRCompress::Splay(int plain) {
    int a = plain + Leaves;
    do {
        const int c = Up[a];
        if (c != Root) {
            const int d = Up[c];
            int b = Left[d];
            if (c == b) {
                b = Right[d];
                Right[d] = a;
            } else {
                Left[d] = a;
            }
            if (Left[c] == a)
                Left[c] = b;
            else
                Right[c] = b;
            Up[a] = d;
            Up[b] = c;
            a = d;
        } else {
            a = c;
        }
    } while (a != Root);
}

QByteArray TVRCompress::Compress(const QByteArray& plain) {
    QByteArray coded;
    coded.reserve(plain.size());
    unsigned char current = 0;
    int bitsInCurrent = 0;
    // A leaf lies at most 2 * Leaves levels deep.
    std::array<bool, 2 * Leaves + 1> path;
    for (const char byte : plain) {
        const int value = static_cast<unsigned char>(byte);
        int depth = 0;
        int a = value + Leaves;
        do {
            const int parent = Up[a];
            path[depth++] = Right[parent] == a;
            a = parent;
        } while (a != Root);
        while (depth > 0) {
            current = static_cast<unsigned char>((current << 1) | (path[--depth] ? 1 : 0));
            if (++bitsInCurrent == 8) {
                coded.append(char(current));
                current = 0;
                bitsInCurrent = 0;
            }
        }
        Splay(value);
    }
    if (bitsInCurrent > 0) coded.append(char(current << (8 - bitsInCurrent)));
    return coded;
}

std::optional<QByteArray> TVRCompress::Expand(const char* coded, qint64 codedSize, qint64 length) {
    // Every byte costs at least one bit, which bounds a length read from a file.
    if (length < 0 || codedSize < 0 || length > codedSize * 8) return std::nullopt;
    QByteArray plain;
    plain.resize(length);
    qint64 byteIndex = 0;
    int bitIndex = 7;
    for (qint64 produced = 0; produced < length; ++produced) {
        int a = Root;
        do {
            if (byteIndex >= codedSize) return std::nullopt;
            const bool right = (static_cast<unsigned char>(coded[byteIndex]) >> bitIndex) & 1;
            if (--bitIndex < 0) {
                bitIndex = 7;
                ++byteIndex;
            }
            a = right ? Right[a] : Left[a];
        } while (a <= MaxChar);
        const int value = a - Leaves;
        if (value > MaxChar) return std::nullopt;  // the leaf no byte codes to
        plain[produced] = char(value);
        Splay(value);
    }
    return plain;
}
