#include "data/SQLDrivers.h"

#include <QMutex>
#include <QMutexLocker>
#include <map>

namespace {

struct DriverRegistry {
    QMutex lock;
    std::map<QString, TStrings> drivers;  // by upper-cased name
};

DriverRegistry& Registry() {
    static DriverRegistry* registry = [] {
        auto* created = new DriverRegistry;
        created->drivers.emplace(QStringLiteral("FIREBIRD"), FirebirdDriverDefinition());
        return created;
    }();
    return *registry;
}

}  // namespace

TStrings FirebirdDriverDefinition() {
    return {
        QStringLiteral("LibraryName=libfbclient.so.2"),
        QStringLiteral("Database=database.fdb"),
        QStringLiteral("User_Name=sysdba"),
        QStringLiteral("Password=lanternox"),
        QStringLiteral("Role=RoleName"),
        QStringLiteral("MaxBlobSize=-1"),
        QStringLiteral("ErrorResourceFile="),
        QStringLiteral("LocaleCode=0000"),
        QStringLiteral("IsolationLevel=ReadCommitted"),
        QStringLiteral("ServerCharSet="),
        QStringLiteral("SQLDialect=3"),
        QStringLiteral("CommitRetain=False"),
        QStringLiteral("WaitOnLocks=True"),
        QStringLiteral("TrimChar=False"),
    };
}

void RegisterSQLDriver(const QString& driverName, const TStrings& properties) {
    DriverRegistry& registry = Registry();
    QMutexLocker locker(&registry.lock);
    registry.drivers[driverName.toUpper()] = properties;
}

std::optional<TStrings> FindSQLDriver(const QString& driverName) {
    DriverRegistry& registry = Registry();
    QMutexLocker locker(&registry.lock);
    const auto found = registry.drivers.find(driverName.toUpper());
    if (found == registry.drivers.end()) return std::nullopt;
    return found->second;
}
