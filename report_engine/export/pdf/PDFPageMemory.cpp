#include "report_engine/export/pdf/PDFPageMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;
// Blocks double from 8 MB to 64 MB: a short document takes little address space (and
// no memory it does not write), a long listing few blocks.
constexpr std::size_t FirstBlock = std::size_t(8) << 20;
constexpr std::size_t LargestBlock = std::size_t(64) << 20;

}  // namespace

PDFPageMemory::~PDFPageMemory() {
    Release();
}

void PDFPageMemory::Release() {
    for (const Block& block : FBlocks) munmap(block.Mapping, block.MappedSize);
    FBlocks.clear();
}

QByteArrayView PDFPageMemory::Keep(QByteArrayView bytes) {
    if (bytes.isEmpty()) return {};
    const std::size_t size = std::size_t(bytes.size());
    if (FBlocks.empty() || FBlocks.back().Size - FBlocks.back().Used < size) AddBlock(size);
    Block& block = FBlocks.back();
    char* place = block.Data + block.Used;
    std::memcpy(place, bytes.data(), size);
    block.Used += size;
    return QByteArrayView(place, bytes.size());
}

void PDFPageMemory::AddBlock(std::size_t least) {
    std::size_t size = FBlocks.empty() ? FirstBlock : std::min(FBlocks.back().Size * 2, LargestBlock);
    size = std::max(size, (least + HugePage - 1) / HugePage * HugePage);
    // One huge page more than needed, so that the block can start on a huge page's
    // boundary: only whole, aligned huge pages can back it.
    const std::size_t mappedSize = size + HugePage;
    void* mapping =
        mmap(nullptr, mappedSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    char* data = reinterpret_cast<char*>((start + HugePage - 1) / HugePage * HugePage);
    // A kernel without huge pages for this memory refuses the advice; the block then
    // works with ordinary pages.
    madvise(data, size, MADV_HUGEPAGE);
    FBlocks.push_back({mapping, mappedSize, data, size, 0});
}
