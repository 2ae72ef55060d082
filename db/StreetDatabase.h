#pragma once

#include <QString>

// Creates database files holding the LOGRADOUROS table, through the Firebird client
// library: default character set WIN1252, dialect 3. Every function refuses to touch a
// file that already exists and raises EDatabaseError with a message in Portuguese.
namespace StreetDatabase {

// The table and nothing in it.
void CreateEmpty(const QString& path);
// The table with the sample streets (kSampleStreetCount of them).
void CreateSample(const QString& path);
// The table with streets 1 to rowCount, made by the sample's generator.
void CreateGenerated(const QString& path, int rowCount);

}  // namespace StreetDatabase
