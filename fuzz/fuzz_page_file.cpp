// Loads arbitrary bytes as a native report file: the page list follows the record links,
// keeps the sound pages before any damage, and each page it keeps is expanded (when
// compressed) and replayed.
#include <QByteArray>
#include <algorithm>
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/store/TVRPageList.h"
#include "report_engine/store/TVRStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartFuzzApplication();
    QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TVRStream stream(std::move(content), 64 * 1024 * 1024);
    TVRPageList pages;
    const TVRLoadResult loaded = pages.LoadFromStream(&stream);
    // A few pages suffice: each is reached through the same code, and a file with
    // thousands of tiny pages would otherwise spend the budget on one input.
    const int played = std::min(loaded.PageCount, 4);
    for (int number = 1; number <= played; ++number) {
        const std::unique_ptr<TVRMetafile> page = pages.GetPage(number);
        if (!page) continue;
        QImage image = FuzzCanvas();
        QPainter painter(&image);
        page->Play(painter, QRectF(0, 0, image.width(), image.height()));
        page->Texts();
    }
    return 0;
}
