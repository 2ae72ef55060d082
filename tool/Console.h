#pragma once

#include <QString>

// Output of vialar-tool: results on standard output, messages on standard error, both
// in the locale's encoding.
void PrintLine(const QString& text);
// "1 página", "9 páginas".
QString PageCountText(int pages);
void PrintError(const QString& text);
// A line that rewrites itself on a terminal (progress); nothing when standard error
// is not a terminal, so that logs of scheduled jobs stay clean.
bool ErrorIsTerminal();
void PrintProgress(const QString& text);
void EndProgress();
