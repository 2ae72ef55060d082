// convert: a saved native page file to PDF. A loaded file has no report behind it to
// run again, so the export filters cannot serve; its stored pages are replayed onto
// Qt's PDF writer instead, one PDF page per stored page, each of the stored page's size.
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "report_engine/base/DurableFile.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/OutputFile.h"
#include "tool/ToolError.h"

namespace {

// The layout of a page recorded at screen resolution: a standard paper when the size
// is one (within Qt's tolerance), lying as the page lies.
QPageLayout LayoutOf(const TVRMetafile& page) {
    const double millimetresPerPixel = 25.4 / TVRPrinter::ScreenDPI;
    const QSizeF size(page.Width() * millimetresPerPixel, page.Height() * millimetresPerPixel);
    const bool landscape = size.width() > size.height();
    const QPageSize paper(landscape ? size.transposed() : size, QPageSize::Millimeter, QString(),
                          QPageSize::FuzzyMatch);
    return QPageLayout(paper, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

}  // namespace

int RunConvert(Arguments& arguments) {
    const QStringList files = arguments.TakePositionals(2);
    arguments.Finish();
    const QString& input = files.at(0);
    const QString& output = files.at(1);
    if (QFileInfo(output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        throw ToolError(kExitFormat,
                        QStringLiteral("convert só gera PDF, não \"%1\". Os outros formatos vêm do "
                                       "relatório: \"vialar-tool listing --out ARQUIVO\".")
                            .arg(output));
    }
    if (!QFileInfo(input).isFile()) {
        throw ToolError(kExitInput, QStringLiteral("o arquivo \"%1\" não existe.").arg(input));
    }

    TVRPrinter pages;
    TVRLoadResult loaded;
    try {
        loaded = pages.Load(input);
    } catch (const Exception& error) {
        throw ToolError(
            kExitInput,
            QStringLiteral("não foi possível ler \"%1\": %2").arg(input, error.Message()));
    }
    // A damaged file would give a PDF missing pages without anyone noticing; it is
    // refused, naming where the damage starts.
    if (!loaded.IsSound()) {
        throw ToolError(kExitInput,
                        QStringLiteral("\"%1\" está danificado (%2); nada foi convertido.")
                            .arg(input, loaded.Damage));
    }
    if (pages.PageCount() == 0) {
        throw ToolError(
            kExitInput,
            QStringLiteral("\"%1\" não é um relatório salvo ou não tem páginas.").arg(input));
    }

    const OutputFile target(output);
    DurableFile file(target.Path());
    if (!file.open(QIODevice::WriteOnly)) {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                        .arg(output, file.errorString()));
    }
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Vialar"));
        writer.setTitle(QFileInfo(input).completeBaseName());
        QPainter painter;
        for (int number = 1; number <= pages.PageCount(); ++number) {
            const std::unique_ptr<TVRMetafile> page = pages.GetPage(number);
            if (!page) {
                throw ToolError(kExitInput, QStringLiteral("a página %1 de \"%2\" está danificada.")
                                                .arg(number)
                                                .arg(input));
            }
            writer.setPageLayout(LayoutOf(*page));
            if (number == 1) {
                if (!painter.begin(&writer)) {
                    throw ToolError(kExitWrite,
                                    QStringLiteral("não foi possível gravar \"%1\".").arg(output));
                }
            } else {
                writer.newPage();
            }
            page->Play(painter, QRectF(0, 0, writer.width(), writer.height()));
        }
        painter.end();
    }
    if (!file.commit()) {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                        .arg(output, file.errorString()));
    }
    PrintLine(QStringLiteral("%1: %2").arg(output, PageCountText(pages.PageCount())));
    return kExitOk;
}
