#pragma once

#include <QByteArray>
#include <QRectF>
#include <QStringList>
#include <memory>

class QPainter;

// One page of a report: an enhanced metafile (EMF) held as its serialised bytes, the
// form in which the page store keeps it and the native report file saves it. Pages
// recorded here and metafiles written by other programs replay the same way.
class TVRMetafile {
public:
    TVRMetafile();
    // An empty page of the given size in pixels at 96 dpi (1123 x 794 = landscape A4).
    TVRMetafile(int widthPixels, int heightPixels);

    // A page from serialised EMF bytes; throws Exception when the header is unsound.
    static std::unique_ptr<TVRMetafile> FromBytes(QByteArray emf);
    // The length the EMF at `data` declares for itself (its header's nBytes), or 0 when
    // the header is unsound; the page store reads a plain payload with this.
    static quint32 DeclaredLength(const char* data, qint64 available);

    const QByteArray& Bytes() const { return FBytes; }
    // Page size in pixels at 96 dpi, from the header's frame.
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    // Replays the page scaled into `target` (painter coordinates). Damaged data never
    // crashes or hangs: playing stops at the first unsound record and the result is
    // false; true when every record up to EMR_EOF was sound.
    bool Play(QPainter& painter, const QRectF& target) const;
    // The texts of the page's text records, in recording order (for the text search).
    QStringList Texts() const;

private:
    friend class TVRMetafileCanvas;
    void SetBytes(QByteArray bytes);

    QByteArray FBytes;
    int FWidth = 0;
    int FHeight = 0;
};
