// vialar-db: creates a database file for the program.
//   vialar-db empty FILE        the LOGRADOUROS table, empty
//   vialar-db sample FILE       the table with the sample streets
//   vialar-db generate FILE N   the table with N generated streets
// An existing file is never overwritten.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "data/Exception.h"
#include "db/StreetDatabase.h"

namespace {

void PrintUsage() {
    std::fputs(
        "Uso: vialar-db empty ARQUIVO\n"
        "     vialar-db sample ARQUIVO\n"
        "     vialar-db generate ARQUIVO N\n"
        "Cria o banco de dados dos logradouros (conjunto de caracteres WIN1252, dialeto 3).\n"
        "Um arquivo existente nunca é substituído.\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() < 2) {
        PrintUsage();
        return 2;
    }
    const QString& command = arguments.at(0);
    const QString& file = arguments.at(1);
    try {
        if (command == QLatin1String("empty") && arguments.size() == 2) {
            StreetDatabase::CreateEmpty(file);
        } else if (command == QLatin1String("sample") && arguments.size() == 2) {
            StreetDatabase::CreateSample(file);
        } else if (command == QLatin1String("generate") && arguments.size() == 3) {
            bool ok = false;
            const int count = arguments.at(2).toInt(&ok);
            if (!ok || count < 0) {
                std::fprintf(stderr, "vialar-db: \"%s\" não é um número de logradouros válido.\n",
                             qPrintable(arguments.at(2)));
                return 2;
            }
            StreetDatabase::CreateGenerated(file, count);
        } else {
            PrintUsage();
            return 2;
        }
    } catch (const Exception& error) {
        std::fprintf(stderr, "vialar-db: %s\n", error.Message().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", qPrintable(QStringLiteral("Banco de dados criado: %1").arg(file)));
    return 0;
}
