#pragma once

#include <optional>

#include "data/TStrings.h"

// The registry of database drivers: a driver name and its property list (the client
// library's file name and default connection parameters). The "Firebird" definition
// is always present.
void RegisterSQLDriver(const QString& driverName, const TStrings& properties);
// The definition of that name (ignoring case), or nullopt.
std::optional<TStrings> FindSQLDriver(const QString& driverName);
// The Firebird definition as the program ships it.
TStrings FirebirdDriverDefinition();
