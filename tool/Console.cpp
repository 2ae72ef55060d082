#include "tool/Console.h"

#include <unistd.h>

#include <cstdio>

namespace {
bool progressShown = false;
}

void PrintLine(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text) {
    EndProgress();
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

QString PageCountText(int pages) {
    return pages == 1 ? QStringLiteral("1 página") : QStringLiteral("%1 páginas").arg(pages);
}

bool ErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void PrintProgress(const QString& text) {
    if (!ErrorIsTerminal()) return;
    // Carriage return, the text, then clear to the end of the line.
    std::fprintf(stderr, "\r%s\033[K", text.toLocal8Bit().constData());
    std::fflush(stderr);
    progressShown = true;
}

void EndProgress() {
    if (!progressShown) return;
    std::fputc('\n', stderr);
    progressShown = false;
}
