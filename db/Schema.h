#pragma once

#include <QString>
#include <QStringList>

// The table of streets and public places, as the program reads and writes it.
struct StreetColumn {
    const char* name;
    int width;  // characters; 0 for the integer key
};

// The eleven columns in the order the program reads and writes them.
const QList<StreetColumn>& StreetColumns();

// The statement that creates LOGRADOUROS.
QString CreateStreetTableSql();

// "INSERT INTO LOGRADOUROS (I_ID, ..., OBSERVACAO) VALUES (?, ..., ?)".
QString InsertStreetSql();
