#pragma once

#include <QList>
#include <QString>

// One street as the sample data makes it. A null QString is a NULL column.
struct StreetRow {
    qint32 id = 0;
    QString plei, pano, lei, ano, tipo, nome, titulo, nomeUsual, localizacao, observacao;
};

// Street number id of an imaginary Brazilian town, the same on every call: types of
// place, accented names, apostrophes ("D'ÁVILA") and hyphens, some in mixed case, bill
// and law numbers with their years, and some columns left empty.
StreetRow SampleStreet(qint32 id);

// Streets 1 to count.
QList<StreetRow> SampleStreets(int count);

// The number of streets in the sample database.
constexpr int kSampleStreetCount = 300;
