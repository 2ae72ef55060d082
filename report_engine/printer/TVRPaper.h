#pragma once

#include <optional>

// Paper sizes in the order of the printer drivers' paper codes: the ordinal of a
// named size is the device paper code (Letter = 1 ... A3ExtraTrans = 68); Default
// leaves the paper to the printer and Custom takes the page's own width and length.
enum class TVRPaperSize {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    vr10X14,
    vr11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    EnvDL,
    EnvC5,
    EnvC3,
    EnvC4,
    EnvC6,
    EnvC65,
    EnvB4,
    EnvB5,
    EnvB6,
    EnvItaly,
    EnvMonarch,
    EnvPersonal,
    FanfoldUS,
    FanfoldStdGerman,
    FanfoldLegalGerman,
    ISOB4,
    JapanesePostcard,
    vr9X11,
    vr10X11,
    vr15X11,
    EnvInvite,
    Reserved48,
    Reserved49,
    LetterExtra,
    LegalExtra,
    TabloidExtra,
    A4Extra,
    LetterTransverse,
    A4Transverse,
    LetterExtraTransverse,
    APlus,
    BPlus,
    LetterPlus,
    A4Plus,
    A5Transverse,
    B5Transverse,
    A3Extra,
    A5Extra,
    B5Extra,
    A2,
    A3Trans,
    A3ExtraTrans,
    Custom
};

constexpr int PaperSizeCount = int(TVRPaperSize::Custom) + 1;

enum TPrinterOrientation { poPortrait, poLandscape };

// Standard dimensions of a paper in millimetres, lying in portrait.
struct TVRPaperDimensions {
    double Width = 0;
    double Length = 0;
};

// The standard dimensions of a named size; none for Default, Custom and the two
// reserved driver codes.
std::optional<TVRPaperDimensions> PaperDimensions(TVRPaperSize size);

// The named size among the first 26 (the driver paper set proper) whose dimensions
// match a page of widthMm x lengthMm, lying either way; of several equal sizes
// (A4 and A4Small) the lower code wins. None when no size lies within a millimetre.
std::optional<TVRPaperSize> MatchPaperSize(double widthMm, double lengthMm);
