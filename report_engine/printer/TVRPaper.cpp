#include "report_engine/printer/TVRPaper.h"

#include <array>
#include <cmath>

namespace {

constexpr double inch = 25.4;

// Width x length in millimetres for each paper code, portrait; zero where a code has
// no fixed paper.
constexpr std::array<TVRPaperDimensions, PaperSizeCount> paperTable{{
    {0, 0},                        // Default
    {8.5 * inch, 11 * inch},       // Letter
    {8.5 * inch, 11 * inch},       // LetterSmall
    {11 * inch, 17 * inch},        // Tabloid
    {17 * inch, 11 * inch},        // Ledger
    {8.5 * inch, 14 * inch},       // Legal
    {5.5 * inch, 8.5 * inch},      // Statement
    {7.5 * inch, 10 * inch},       // Executive
    {297, 420},                    // A3
    {210, 297},                    // A4
    {210, 297},                    // A4Small
    {148, 210},                    // A5
    {250, 354},                    // B4
    {182, 257},                    // B5
    {8.5 * inch, 13 * inch},       // Folio
    {215, 275},                    // Quarto
    {10 * inch, 14 * inch},        // vr10X14
    {11 * inch, 17 * inch},        // vr11X17
    {8.5 * inch, 11 * inch},       // Note
    {3.875 * inch, 8.875 * inch},  // Env9
    {4.125 * inch, 9.5 * inch},    // Env10
    {4.5 * inch, 10.375 * inch},   // Env11
    {4.75 * inch, 11 * inch},      // Env12
    {5 * inch, 11.5 * inch},       // Env14
    {17 * inch, 22 * inch},        // CSheet
    {22 * inch, 34 * inch},        // DSheet
    {34 * inch, 44 * inch},        // ESheet
    {110, 220},                    // EnvDL
    {162, 229},                    // EnvC5
    {324, 458},                    // EnvC3
    {229, 324},                    // EnvC4
    {114, 162},                    // EnvC6
    {114, 229},                    // EnvC65
    {250, 353},                    // EnvB4
    {176, 250},                    // EnvB5
    {176, 125},                    // EnvB6
    {110, 230},                    // EnvItaly
    {3.875 * inch, 7.5 * inch},    // EnvMonarch
    {3.625 * inch, 6.5 * inch},    // EnvPersonal
    {14.875 * inch, 11 * inch},    // FanfoldUS
    {8.5 * inch, 12 * inch},       // FanfoldStdGerman
    {8.5 * inch, 13 * inch},       // FanfoldLegalGerman
    {250, 353},                    // ISOB4
    {100, 148},                    // JapanesePostcard
    {9 * inch, 11 * inch},         // vr9X11
    {10 * inch, 11 * inch},        // vr10X11
    {15 * inch, 11 * inch},        // vr15X11
    {220, 220},                    // EnvInvite
    {0, 0},                        // Reserved48
    {0, 0},                        // Reserved49
    {9.5 * inch, 12 * inch},       // LetterExtra
    {9.5 * inch, 15 * inch},       // LegalExtra
    {11.69 * inch, 18 * inch},     // TabloidExtra
    {235, 322},                    // A4Extra
    {8.5 * inch, 11 * inch},       // LetterTransverse
    {210, 297},                    // A4Transverse
    {9.5 * inch, 12 * inch},       // LetterExtraTransverse
    {227, 356},                    // APlus
    {305, 487},                    // BPlus
    {8.5 * inch, 12.69 * inch},    // LetterPlus
    {210, 330},                    // A4Plus
    {148, 210},                    // A5Transverse
    {182, 257},                    // B5Transverse
    {322, 445},                    // A3Extra
    {174, 235},                    // A5Extra
    {201, 276},                    // B5Extra
    {420, 594},                    // A2
    {297, 420},                    // A3Trans
    {322, 445},                    // A3ExtraTrans
    {0, 0},                        // Custom
}};

}  // namespace

std::optional<TVRPaperDimensions> PaperDimensions(TVRPaperSize size) {
    const int code = int(size);
    if (code < 0 || code >= PaperSizeCount) return std::nullopt;
    const TVRPaperDimensions& entry = paperTable[code];
    if (entry.Width <= 0 || entry.Length <= 0) return std::nullopt;
    return entry;
}

std::optional<TVRPaperSize> MatchPaperSize(double widthMm, double lengthMm) {
    // A page measured from pixels loses up to a millimetre to truncation, so a size
    // matches within one millimetre on each side; the closest match wins and a tie
    // keeps the lower code.
    constexpr double tolerance = 1.0;
    std::optional<TVRPaperSize> best;
    double bestDistance = 0;
    for (int code = int(TVRPaperSize::Letter); code <= int(TVRPaperSize::ESheet); ++code) {
        const TVRPaperDimensions& entry = paperTable[code];
        for (bool swapped : {false, true}) {
            const double width = swapped ? entry.Length : entry.Width;
            const double length = swapped ? entry.Width : entry.Length;
            const double dx = std::abs(width - widthMm);
            const double dy = std::abs(length - lengthMm);
            if (dx > tolerance || dy > tolerance) continue;
            const double distance = dx + dy;
            if (!best || distance < bestDistance) {
                best = TVRPaperSize(code);
                bestDistance = distance;
            }
        }
    }
    return best;
}
