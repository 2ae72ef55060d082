#pragma once

// The PostScript glyph name of a Unicode value from the Adobe Glyph List 1.2 ("A" for
// U+0041, "Euro" for U+20AC, "space" for U+0020 and U+00A0); none when the list has no
// name for it. A font's encoding differences name each code's glyph this way.
const char* GlyphName(char16_t unicode);
