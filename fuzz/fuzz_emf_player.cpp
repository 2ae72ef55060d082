// Replays arbitrary bytes as an enhanced metafile page. The player must stop at the
// first unsound record without reading outside the buffer, and finish in bounded time.
#include <QByteArray>

#include "fuzz/FuzzSupport.h"
#include "report_engine/emf/EmfPlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartFuzzApplication();
    const QByteArray emf(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QImage image = FuzzCanvas();
    {
        QPainter painter(&image);
        EmfPlayer::Play(emf, painter, QRectF(0, 0, image.width(), image.height()));
    }
    EmfPlayer::Texts(emf);
    return 0;
}
