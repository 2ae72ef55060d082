#pragma once

class QObject;
class TCachedDataSet;
class TSQLQuery;

// The eleven fields of a LOGRADOUROS row as every chain over the table declares them:
// I_ID an integer key shown as "000000", the other columns text of their column
// widths. Each field is named after its set (the set's name followed by the column).
void DeclareStreetFields(TSQLQuery& query, QObject* owner);
void DeclareStreetFields(TCachedDataSet& dataSet);
