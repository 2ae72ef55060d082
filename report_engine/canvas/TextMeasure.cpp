#include "report_engine/canvas/TextMeasure.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "report_engine/base/Rounding.h"
#include "report_engine/base/TVRUnits.h"

// A font file opened once for the process. Without a usable font (no fontconfig match,
// unreadable file) `Handle` stays null and the metrics fall back to fixed proportions,
// so measuring never fails.
struct TVRFontMetrics::Face {
    FT_Face Handle = nullptr;
    int UnitsPerEm = 1000;
    int Ascender = 905;  // design units, as GDI's tmAscent takes them (OS/2 usWinAscent)
    int Descender = 212;
};

namespace {

struct Registry {
    QMutex Lock;
    FT_Library Library = nullptr;
    std::map<std::tuple<QString, bool, bool>, std::unique_ptr<TVRFontMetrics::Face>> Faces;
    std::map<std::tuple<QString, bool, bool, int>, std::unique_ptr<TVRFontMetrics>> Metrics;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

// Resolves a face name the way the platform does (fontconfig substitutes, so "Arial"
// becomes Liberation Sans).
TVRFontFile TextMeasure::FontFile(const QString& name, bool bold, bool italic) {
    TVRFontFile found;
    if (!FcInit()) return found;
    FcPattern* pattern = FcPatternCreate();
    const QByteArray family = name.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return found;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        found.Path = QString::fromUtf8(reinterpret_cast<const char*>(file));
        FcPatternGetInteger(match, FC_INDEX, 0, &found.Index);
    }
    FcPatternDestroy(match);
    return found;
}

// Opens the file the platform chooses for the face.
static std::unique_ptr<TVRFontMetrics::Face> OpenFace(FT_Library library, const QString& name,
                                                      bool bold, bool italic) {
    auto face = std::make_unique<TVRFontMetrics::Face>();
    if (!library) return face;
    const TVRFontFile file = TextMeasure::FontFile(name, bold, italic);
    if (!file.Path.isEmpty()) {
        FT_Face handle = nullptr;
        if (FT_New_Face(library, QFile::encodeName(file.Path).constData(), file.Index, &handle) ==
            0) {
            if (FT_IS_SCALABLE(handle) && handle->units_per_EM > 0) {
                face->Handle = handle;
                face->UnitsPerEm = handle->units_per_EM;
                const auto* os2 =
                    static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(handle, FT_SFNT_OS2));
                if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
                    face->Ascender = os2->usWinAscent;
                    face->Descender = os2->usWinDescent;
                } else {
                    face->Ascender = handle->ascender;
                    face->Descender = -handle->descender;
                }
            } else {
                FT_Done_Face(handle);
            }
        }
    }
    if (!face->Handle) {
        face->UnitsPerEm = 1000;
        face->Ascender = 905;
        face->Descender = 212;
    }
    return face;
}

int TextMeasure::EmPixels(int points) {
    return Round(points * ScreenDPI / 72.0);
}

const TVRFontMetrics& TextMeasure::Metrics(const TVRFont& font) {
    Registry& registry = TheRegistry();
    QMutexLocker locker(&registry.Lock);
    const int em = EmPixels(font.Size);
    const auto key = std::make_tuple(font.Name.toLower(), font.Bold, font.Italic, em);
    auto found = registry.Metrics.find(key);
    if (found != registry.Metrics.end()) return *found->second;

    if (!registry.Library && FT_Init_FreeType(&registry.Library) != 0) registry.Library = nullptr;
    const auto faceKey = std::make_tuple(font.Name.toLower(), font.Bold, font.Italic);
    auto& face = registry.Faces[faceKey];
    if (!face) face = OpenFace(registry.Library, font.Name, font.Bold, font.Italic);

    auto metrics = std::make_unique<TVRFontMetrics>();
    metrics->FFace = face.get();
    metrics->FEmPixels = std::abs(em);
    // Cell ascent and descent round up, so a line of text never overhangs its height.
    metrics->FAscent =
        int(std::ceil(double(face->Ascender) * metrics->FEmPixels / face->UnitsPerEm - 1e-9));
    metrics->FDescent =
        int(std::ceil(double(face->Descender) * metrics->FEmPixels / face->UnitsPerEm - 1e-9));
    for (auto& advance : metrics->FLatin) advance.store(-1, std::memory_order_relaxed);
    return *registry.Metrics.emplace(key, std::move(metrics)).first->second;
}

int TVRFontMetrics::MeasureAdvance(char32_t codePoint) const {
    if (codePoint < 0x20 && codePoint != 0x09) return 0;  // control characters take no room
    if (!FFace->Handle) return Round(FEmPixels * 0.55);
    const FT_UInt glyph = FT_Get_Char_Index(FFace->Handle, codePoint);
    FT_Fixed designAdvance = 0;
    if (FT_Get_Advance(FFace->Handle, glyph, FT_LOAD_NO_SCALE, &designAdvance) != 0) return 0;
    return Round(double(designAdvance) * FEmPixels / FFace->UnitsPerEm);
}

int TVRFontMetrics::OtherAdvance(char32_t codePoint) const {
    QMutexLocker locker(&TheRegistry().Lock);
    auto found = FOthers.constFind(codePoint);
    if (found != FOthers.constEnd()) return *found;
    const int advance = MeasureAdvance(codePoint);
    FOthers.insert(codePoint, advance);
    return advance;
}

int TVRFontMetrics::Advance(char16_t unit) const {
    if (unit < 256) {
        qint16 advance = FLatin[unit].load(std::memory_order_relaxed);
        if (advance < 0) {
            QMutexLocker locker(&TheRegistry().Lock);
            advance = qint16(MeasureAdvance(unit));
            FLatin[unit].store(advance, std::memory_order_relaxed);
        }
        return advance;
    }
    if (QChar::isLowSurrogate(unit)) return 0;
    return OtherAdvance(unit);
}

QSize TVRFontMetrics::Extent(QStringView text, std::vector<qint32>* dx) const {
    if (dx) dx->resize(text.size());
    int width = 0;
    const qsizetype length = text.size();
    const QChar* units = text.data();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = units[i].unicode();
        int advance;
        if (QChar::isHighSurrogate(unit) && i + 1 < length && units[i + 1].isLowSurrogate()) {
            const char32_t codePoint = QChar::surrogateToUcs4(unit, units[i + 1].unicode());
            advance = OtherAdvance(codePoint);
        } else {
            advance = Advance(unit);
        }
        width += advance;
        if (dx) (*dx)[i] = advance;
    }
    return QSize(width, Height());
}
