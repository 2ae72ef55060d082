#pragma once

#include <QByteArray>
#include <array>
#include <optional>

// The page store's compression: an adaptive prefix code over bytes kept as a splay
// tree (Jones's splay-tree code). The tree starts complete and balanced; each coded
// byte is written as its path from the root (1 = right), most significant bit first
// within each output byte, after which its leaf is splayed towards the root so that
// frequent bytes get short codes. Expanding walks the same tree, splaying alike.
// One instance codes one stream: create a fresh one for every page.
class TVRCompress {
public:
    TVRCompress();

    QByteArray Compress(const QByteArray& plain);
    // Exactly `length` bytes decoded from `coded`, or none when the coded bits run
    // out first or lead to the tree's unused leaf (a damaged payload).
    std::optional<QByteArray> Expand(const char* coded, qint64 codedSize, qint64 length);

private:
    static constexpr int Root = 0;
    static constexpr int MaxChar = 255;
    static constexpr int Leaves = MaxChar + 1;

    void Splay(int plain);

    std::array<int, 2 * Leaves + 1> Up;
    std::array<int, Leaves> Left;
    std::array<int, Leaves> Right;
};
