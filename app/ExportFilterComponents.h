#pragma once

class QObject;
class TVRCSVFilter;
class TVRHTMLFilter;
class TVRPDFFilter;
class TVRTextFilter;

// The export formats the program offers in every report preview: one settings
// component per filter, each registering its filter in the process-wide library while
// it lives, with the program's settings. The main window owns them; vialar-tool makes
// the same ones without a window.
struct TExportFilterComponents {
    TVRTextFilter* Text = nullptr;
    TVRCSVFilter* CSV = nullptr;
    TVRPDFFilter* PDF = nullptr;
    TVRHTMLFilter* HTML = nullptr;
};

// Creates them, owned by `owner`, in the order the preview's save dialog lists them.
TExportFilterComponents CreateExportFilterComponents(QObject* owner);
