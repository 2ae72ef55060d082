#pragma once

class QPdfWriter;
class TVRMetafile;
class TVRPrinter;
class QPageLayout;

// Pages stored in a page printer (a loaded native report file has no report behind it
// to run again) replayed onto a PDF writer: one PDF page per stored page, each of the
// stored page's size.

// The layout of a page recorded at screen resolution: a standard paper when the size
// is one (within Qt's tolerance), lying as the page lies, without margins.
QPageLayout StoredPageLayout(const TVRMetafile& page);

// What replaying the pages came to: every page drawn, or the first page that could not
// be read (nothing after it is drawn), or a writer that would not start.
struct TVRStoredPagesOutcome {
    int DamagedPage = 0;
    bool WriterStarted = false;
};

// Draws the printer's stored pages onto `writer`; the document is complete once the
// outcome names no damaged page and a started writer.
TVRStoredPagesOutcome DrawStoredPages(const TVRPrinter& pages, QPdfWriter& writer);
