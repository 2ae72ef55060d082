// convert: a saved native page file to PDF. A loaded file has no report behind it to
// run again, so the export filters cannot serve; its stored pages are replayed onto
// Qt's PDF writer instead (DrawStoredPages), as the preview saves loaded pages.
#include <QFileInfo>
#include <QPdfWriter>

#include "report_engine/base/DurableFile.h"
#include "report_engine/printer/StoredPagesPdf.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/OutputFile.h"
#include "tool/ToolError.h"

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
        const TVRStoredPagesOutcome drawn = DrawStoredPages(pages, writer);
        if (drawn.DamagedPage > 0) {
            throw ToolError(kExitInput, QStringLiteral("a página %1 de \"%2\" está danificada.")
                                            .arg(drawn.DamagedPage)
                                            .arg(input));
        }
        if (!drawn.WriterStarted) {
            throw ToolError(kExitWrite,
                            QStringLiteral("não foi possível gravar \"%1\".").arg(output));
        }
    }
    if (!file.commit()) {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                        .arg(output, file.errorString()));
    }
    PrintLine(QStringLiteral("%1: %2").arg(output, PageCountText(pages.PageCount())));
    return kExitOk;
}
