// vialar-tool import of 100,000 streets from a CSV file into an empty database, every
// line checked (required fields, widths, characters, identifiers, type and name against
// the table and the file) and stored in one transaction, timed as the user runs it (the
// process from start to exit), against isql-fb running the same 100,000 INSERTs in one
// transaction on a copy of the same empty database.
//
// Usage: bench_import [runs]   (best of `runs` timings, 1 by default)

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "bench/BenchProcess.h"
#include "bench/BenchTiming.h"
#include "db/StreetDatabase.h"
#include "db/StreetSample.h"

namespace {

constexpr int kStreets = 100000;

// The streets of the sample generator, each name made unique by its number and every
// law given, so that no line is refused.
QList<StreetRow> Streets() {
    QList<StreetRow> streets = SampleStreets(kStreets);
    for (StreetRow& street : streets) {
        street.nome += QStringLiteral(" %1").arg(street.id);
        if (street.lei.isNull()) street.lei = QStringLiteral("%1").arg(street.id % 5000);
        if (street.ano.isNull()) street.ano = QStringLiteral("1990");
    }
    return streets;
}

QStringList Texts(const StreetRow& street) {
    return {street.plei, street.pano,   street.lei,       street.ano,         street.tipo,
            street.nome, street.titulo, street.nomeUsual, street.localizacao, street.observacao};
}

// The CSV a council would bring: a header, no identifiers, semicolons, text quoted.
QByteArray Csv(const QList<StreetRow>& streets) {
    QString text = QStringLiteral(
        "PLEI;PANO;LEI;ANO;TIPO;NOME;TITULO;NOME_USUAL;LOCALIZACAO;"
        "OBSERVACAO\n");
    for (const StreetRow& street : streets) {
        QStringList fields;
        for (QString field : Texts(street)) {
            if (field.isNull()) {
                fields << QString();
            } else {
                field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
                fields << QLatin1Char('"') + field + QLatin1Char('"');
            }
        }
        text += fields.join(QLatin1Char(';')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

// The same streets as INSERT statements, with the identifiers import assigns.
QByteArray InsertScript(const QList<StreetRow>& streets) {
    QString script;
    for (const StreetRow& street : streets) {
        QStringList values{QString::number(street.id)};
        for (QString field : Texts(street)) {
            if (field.isNull()) {
                values << QStringLiteral("NULL");
            } else {
                field.replace(QLatin1Char('\''), QStringLiteral("''"));
                values << QLatin1Char('\'') + field + QLatin1Char('\'');
            }
        }
        script += QStringLiteral(
                      "INSERT INTO LOGRADOUROS (I_ID, PLEI, PANO, LEI, ANO, TIPO, "
                      "NOME, TITULO, NOME_USUAL, LOCALIZACAO, OBSERVACAO) VALUES "
                      "(%1);\n")
                      .arg(values.join(QStringLiteral(", ")));
    }
    return (script + QStringLiteral("COMMIT;\n")).toUtf8();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;

    QTemporaryDir folder;
    const QString empty = folder.filePath(QStringLiteral("VAZIO.FDB"));
    StreetDatabase::CreateEmpty(empty);
    const QString target = folder.filePath(QStringLiteral("LOGRADOUROS.FDB"));
    const QList<StreetRow> streets = Streets();
    const QString csv = folder.filePath(QStringLiteral("ruas.csv"));
    const QString script = folder.filePath(QStringLiteral("ruas.sql"));
    for (const auto& [name, bytes] :
         {std::pair{csv, Csv(streets)}, std::pair{script, InsertScript(streets)}}) {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return 1;
    }
    // Each run starts from a fresh copy of the empty database.
    const auto freshDatabase = [&] {
        QFile::remove(target);
        QFile::copy(empty, target);
    };

    const double ours = bench::BestSeconds(
        runs,
        [&] {
            bench::RunProcess(QStringLiteral(VIALAR_TOOL), {QStringLiteral("import"), csv},
                              folder.path());
        },
        freshDatabase);
    const double peer = bench::BestSeconds(
        runs,
        [&] {
            bench::RunProcess(QStringLiteral("isql-fb"),
                              {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("UTF8"),
                               QStringLiteral("-i"), script, target},
                              folder.path());
        },
        freshDatabase);
    std::printf("import of %d streets from CSV\n", kStreets);
    bench::RatioLine("import: vialar-tool import/isql-fb INSERTs in one transaction", ours, peer,
                     "target <= 2");
    return 0;
}
