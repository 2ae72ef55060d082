#include "db/Schema.h"

const QList<StreetColumn>& StreetColumns() {
    static const QList<StreetColumn> columns = {
        {"I_ID", 0},         {"PLEI", 10},        {"PANO", 4},         {"LEI", 10},
        {"ANO", 4},          {"TIPO", 100},       {"NOME", 255},       {"TITULO", 50},
        {"NOME_USUAL", 255}, {"LOCALIZACAO", 50}, {"OBSERVACAO", 500},
    };
    return columns;
}

QString CreateStreetTableSql() {
    QStringList definitions;
    for (const StreetColumn& column : StreetColumns()) {
        definitions
            << (column.width == 0
                    ? QStringLiteral("  %1 INTEGER NOT NULL").arg(QLatin1String(column.name))
                    : QStringLiteral("  %1 VARCHAR(%2)")
                          .arg(QLatin1String(column.name))
                          .arg(column.width));
    }
    definitions << QStringLiteral("  CONSTRAINT PK_LOGRADOUROS PRIMARY KEY (I_ID)");
    return QStringLiteral("CREATE TABLE LOGRADOUROS (\n%1\n)")
        .arg(definitions.join(QStringLiteral(",\n")));
}

QString InsertStreetSql() {
    QStringList names;
    QStringList markers;
    for (const StreetColumn& column : StreetColumns()) {
        names << QLatin1String(column.name);
        markers << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO LOGRADOUROS (%1) VALUES (%2)")
        .arg(names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", ")));
}
