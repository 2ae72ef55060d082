#pragma once

#include <QByteArrayView>
#include <cstddef>
#include <vector>

// Where a PDF document keeps its finished pages' content until the document is
// written: large blocks of memory the kernel may back with huge pages. A listing of
// 100,000 streets keeps about 90 MB of content; faulting that in 4 KB at a time cost
// the export about a seventh of its time. The bytes kept stay where they are until
// Release or the end of the memory.
class PDFPageMemory {
public:
    PDFPageMemory() = default;
    PDFPageMemory(const PDFPageMemory&) = delete;
    PDFPageMemory& operator=(const PDFPageMemory&) = delete;
    ~PDFPageMemory();

    // A copy of `bytes` that stays valid until Release; empty for empty bytes. Throws
    // std::bad_alloc when no memory is left.
    QByteArrayView Keep(QByteArrayView bytes);
    // Gives every block back; the views Keep returned are invalid afterwards.
    void Release();

private:
    struct Block {
        void* Mapping;
        std::size_t MappedSize;
        char* Data;  // aligned to a huge page within the mapping
        std::size_t Size;
        std::size_t Used;
    };

    void AddBlock(std::size_t least);

    std::vector<Block> FBlocks;
};
