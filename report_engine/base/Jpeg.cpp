#include "report_engine/base/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "core/Exception.h"

namespace {

constexpr qint64 MaxPixels = 100'000'000;

// libjpeg's own error handler ends the process; this one jumps back to the call that
// started the work, which then raises Exception with the codec's message.
struct ErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Return;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr codec) {
    auto* manager = reinterpret_cast<ErrorManager*>(codec->err);
    (*codec->err->format_message)(codec, manager->Message);
    std::longjmp(manager->Return, 1);
}

void IgnoreMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& manager) {
    jpeg_std_error(&manager.Base);
    manager.Base.error_exit = ErrorExit;
    manager.Base.output_message = IgnoreMessage;
    manager.Message[0] = 0;
}

[[noreturn]] void Fail(const char* message) {
    throw Exception(QStringLiteral("Invalid JPEG image: %1").arg(QString::fromLocal8Bit(message)));
}

// Everything between the jump target and libjpeg is plain data: no C++ object is
// created after setjmp, so the jump skips no destructor.
struct DecodeJob {
    const QByteArray* Input = nullptr;
    bool HeaderOnly = false;
    Jpeg::Header Header;
    QImage* Output = nullptr;
};

bool RunDecode(DecodeJob& job, ErrorManager& errors) {
    jpeg_decompress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    codec.err = &errors.Base;
    if (setjmp(errors.Return)) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    jpeg_create_decompress(&codec);
    jpeg_mem_src(&codec, reinterpret_cast<const unsigned char*>(job.Input->constData()),
                 static_cast<unsigned long>(job.Input->size()));
    jpeg_read_header(&codec, TRUE);
    job.Header.Width = int(codec.image_width);
    job.Header.Height = int(codec.image_height);
    job.Header.Components = codec.num_components;
    if (job.HeaderOnly) {
        jpeg_destroy_decompress(&codec);
        return true;
    }
    if (qint64(codec.image_width) * codec.image_height > MaxPixels) {
        std::snprintf(errors.Message, sizeof errors.Message, "image of %ux%u pixels is too large",
                      codec.image_width, codec.image_height);
        jpeg_destroy_decompress(&codec);
        return false;
    }
    const bool grey = codec.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = codec.jpeg_color_space == JCS_CMYK || codec.jpeg_color_space == JCS_YCCK;
    codec.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&codec);
    QImage& image = *job.Output;
    image = QImage(int(codec.output_width), int(codec.output_height),
                   grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (image.isNull()) {
        std::snprintf(errors.Message, sizeof errors.Message, "out of memory");
        jpeg_destroy_decompress(&codec);
        return false;
    }
    const bool inverted = cmyk && codec.saw_Adobe_marker;  // Adobe stores CMYK inverted
    // Scratch rows come from libjpeg's own pools, freed by jpeg_destroy_decompress.
    JSAMPARRAY cmykRow = cmyk ? (*codec.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&codec),
                                                           JPOOL_IMAGE, codec.output_width * 4, 1)
                              : nullptr;
    while (codec.output_scanline < codec.output_height) {
        uchar* line = image.scanLine(int(codec.output_scanline));
        JSAMPROW row = cmyk ? cmykRow[0] : line;
        jpeg_read_scanlines(&codec, &row, 1);
        if (cmyk) {
            auto* out = reinterpret_cast<QRgb*>(line);
            for (JDIMENSION x = 0; x < codec.output_width; ++x) {
                const JSAMPROW in = cmykRow[0] + 4 * x;
                int c = in[0], m = in[1], y = in[2], k = in[3];
                if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    return true;
}

struct EncodeJob {
    const QImage* Input = nullptr;
    int Quality = 75;
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
};

bool RunEncode(EncodeJob& job, ErrorManager& errors) {
    jpeg_compress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    codec.err = &errors.Base;
    if (setjmp(errors.Return)) {
        jpeg_destroy_compress(&codec);
        return false;
    }
    jpeg_create_compress(&codec);
    jpeg_mem_dest(&codec, &job.Buffer, &job.Size);
    const QImage& image = *job.Input;
    const bool grey = image.format() == QImage::Format_Grayscale8;
    codec.image_width = JDIMENSION(image.width());
    codec.image_height = JDIMENSION(image.height());
    codec.input_components = grey ? 1 : 4;
    codec.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, job.Quality, TRUE);
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(codec.next_scanline)));
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return true;
}

}  // namespace

namespace Jpeg {

Header ReadHeader(const QByteArray& data) {
    if (data.isEmpty()) Fail("no data");
    ErrorManager errors;
    InstallErrorManager(errors);
    DecodeJob job;
    job.Input = &data;
    job.HeaderOnly = true;
    if (!RunDecode(job, errors)) Fail(errors.Message);
    return job.Header;
}

QImage Decode(const QByteArray& data) {
    if (data.isEmpty()) Fail("no data");
    ErrorManager errors;
    InstallErrorManager(errors);
    QImage image;
    DecodeJob job;
    job.Input = &data;
    job.Output = &image;
    if (!RunDecode(job, errors)) Fail(errors.Message);
    return image;
}

QByteArray Encode(const QImage& image, int quality) {
    if (image.isNull()) throw Exception(QStringLiteral("Cannot encode an empty picture as JPEG"));
    const QImage source = image.format() == QImage::Format_Grayscale8
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    ErrorManager errors;
    InstallErrorManager(errors);
    EncodeJob job;
    job.Input = &source;
    job.Quality = std::clamp(quality, 0, 100);
    const bool done = RunEncode(job, errors);
    QByteArray bytes;
    if (done) bytes = QByteArray(reinterpret_cast<const char*>(job.Buffer), qsizetype(job.Size));
    std::free(job.Buffer);
    if (!done) Fail(errors.Message);
    return bytes;
}

}  // namespace Jpeg
