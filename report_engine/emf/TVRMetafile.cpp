#include "report_engine/emf/TVRMetafile.h"

#include "core/Exception.h"
#include "report_engine/emf/EmfPlayer.h"
#include "report_engine/emf/EmfWriter.h"

TVRMetafile::TVRMetafile() = default;

TVRMetafile::TVRMetafile(int widthPixels, int heightPixels)
    : FWidth(widthPixels), FHeight(heightPixels) {
    // An empty recording: a header and EMR_EOF, so that the page is sound from the start
    // (what a canvas records when nothing is drawn).
    Emf::Writer records;
    records.PageHeader(widthPixels, heightPixels);
    records.EmrEof();
    records.PatchHeader(1);
    SetBytes(records.Take());
}

void TVRMetafile::SetBytes(QByteArray bytes) {
    FBytes = std::move(bytes);
    EmfHeader header;
    if (EmfHeader::Read(FBytes.constData(), FBytes.size(), header)) {
        FWidth = header.WidthAt96();
        FHeight = header.HeightAt96();
    }
}

std::unique_ptr<TVRMetafile> TVRMetafile::FromBytes(QByteArray emf) {
    EmfHeader header;
    if (!EmfHeader::Read(emf.constData(), emf.size(), header))
        throw Exception(QStringLiteral("Invalid page: not an enhanced metafile"));
    if (header.Bytes > quint64(emf.size()))
        throw Exception(QStringLiteral("Invalid page: the enhanced metafile is truncated"));
    emf.truncate(header.Bytes);
    auto page = std::make_unique<TVRMetafile>();
    page->FBytes = std::move(emf);
    page->FWidth = header.WidthAt96();
    page->FHeight = header.HeightAt96();
    return page;
}

quint32 TVRMetafile::DeclaredLength(const char* data, qint64 available) {
    EmfHeader header;
    return EmfHeader::Read(data, available, header) ? header.Bytes : 0;
}

bool TVRMetafile::Play(QPainter& painter, const QRectF& target) const {
    if (FBytes.isEmpty()) return false;
    return EmfPlayer::Play(FBytes, painter, target).Complete;
}

QStringList TVRMetafile::Texts() const {
    return EmfPlayer::Texts(FBytes);
}
