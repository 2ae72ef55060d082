// vialar-tool: the street listing and the database without a screen, for scheduled
// jobs and the staff who run the council's systems. It runs the program's own code
// (session, listing host, report, export filters, page store) on Qt's offscreen
// platform, so it needs no display.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <exception>

#include "app/uTotal.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/ToolError.h"
#include "toolkit/Translations.h"

namespace {

QString ToolHelp() {
    QString text = QStringLiteral(
        "Uso: vialar-tool COMANDO [OPÇÕES]\n"
        "\n"
        "Prepara, verifica, importa, exporta e copia o banco de dados dos logradouros e\n"
        "emite o relatório dos logradouros sem tela. O banco de dados é LOGRADOUROS.FDB\n"
        "na pasta atual, ou o configurado em /etc/vialar/vialar.conf,\n"
        "~/.config/vialar/vialar.conf ou na variável VIALAR_DATABASE, como no programa.\n"
        "\n"
        "Comandos:\n");
    for (const ToolCommand* command = kToolCommands; command->Name; ++command)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromUtf8(command->Name), -11)
                    .arg(QString::fromUtf8(command->Summary));
    text += QStringLiteral(
        "\n"
        "  vialar-tool COMANDO --help   ajuda do comando\n"
        "  vialar-tool --version        versão\n"
        "\n"
        "Códigos de saída: 0 sucesso, 1 falha inesperada, 2 argumentos inválidos,\n"
        "3 configuração recusada, 4 banco de dados ausente, bloqueado ou inacessível,\n"
        "5 banco de dados danificado, 6 formato desconhecido, 7 arquivo não gravado,\n"
        "8 arquivo de entrada ilegível, 9 impressora inexistente, 10 banco já existe,\n"
        "11 linhas recusadas na importação.");
    return text;
}

const ToolCommand* FindCommand(const QString& name) {
    for (const ToolCommand* command = kToolCommands; command->Name; ++command) {
        if (name == QLatin1String(command->Name)) return command;
    }
    return nullptr;
}

int Run(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        PrintError(ToolHelp());
        return kExitUsage;
    }
    const QString& first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        PrintLine(ToolHelp());
        return kExitOk;
    }
    if (first == QLatin1String("--version")) {
        PrintLine(QStringLiteral("vialar-tool %1").arg(QStringLiteral(VIALAR_VERSION)));
        return kExitOk;
    }
    const ToolCommand* command = FindCommand(first);
    if (!command) {
        PrintError(QStringLiteral("vialar-tool: comando desconhecido \"%1\".\n"
                                  "Use \"vialar-tool --help\" para ver os comandos.")
                       .arg(first));
        return kExitUsage;
    }
    const QStringList rest = arguments.mid(1);
    if (rest.contains(QLatin1String("--help")) || rest.contains(QLatin1String("-h"))) {
        PrintLine(QString::fromUtf8(command->Help));
        return kExitOk;
    }
    Arguments commandArguments(first, rest);
    return command->Run(commandArguments);
}

// The user's own runtime folder for the tool, made once in the user's cache folder
// (XDG_CACHE_HOME, else ~/.cache) and kept from others as Qt wants it; empty when there
// is none.
QString PrivateRuntimeFolder() {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() && !qEnvironmentVariableIsEmpty("HOME"))
        cache = qEnvironmentVariable("HOME") + QStringLiteral("/.cache");
    if (cache.isEmpty()) return QString();
    const QString folder = cache + QStringLiteral("/vialar-tool/runtime");
    if (!QDir().mkpath(folder)) return QString();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(folder).isWritable() ? folder : QString();
}

}  // namespace

int main(int argc, char** argv) {
    // No window is ever shown: the listing host and the report draw off screen, the
    // same way whether or not the machine has a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a runtime folder, which sessions without a login (cron, ssh commands)
    // lack; one kept among the user's caches keeps it from warning on every run, and
    // leaves nothing in the temporary folder however the run ends.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtimeFolder = PrivateRuntimeFolder();
        if (!runtimeFolder.isEmpty())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder));
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vialar-tool"));
    QApplication::setApplicationVersion(QStringLiteral(VIALAR_VERSION));
    InstallQtTranslations();
    // The program fixes its date format and the Portuguese names as its main window
    // opens; the tool writes the same dates (a PDF's creation date, the page file's
    // date texts) as the program does.
    AcertaPadraoData();

    try {
        return Run(QApplication::arguments().mid(1));
    } catch (const ToolError& error) {
        PrintError(QStringLiteral("vialar-tool: %1").arg(error.Message()));
        return error.Code();
    } catch (const Exception& error) {
        PrintError(QStringLiteral("vialar-tool: %1").arg(error.Message()));
        return kExitFailure;
    } catch (const std::exception& error) {
        PrintError(QStringLiteral("vialar-tool: %1").arg(QString::fromLocal8Bit(error.what())));
        return kExitFailure;
    }
}
