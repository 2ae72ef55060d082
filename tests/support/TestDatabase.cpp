#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <map>

#include "core/Exception.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "db/StreetDatabase.h"

namespace {

// One template file per kind of database, made on first use and shared by every test
// of the program; the folder goes when the program ends.
QString TemplatePath(const QString& kind, const std::function<void(const QString&)>& create) {
    static QTemporaryDir* folder =
        new QTemporaryDir(QDir::tempPath() + QStringLiteral("/vialar-template-XXXXXX"));
    static std::map<QString, QString> made;
    static struct Cleanup {
        ~Cleanup() { delete folder; }
    } cleanup;
    if (auto found = made.find(kind); found != made.end()) return found->second;
    const QString path = folder->filePath(kind + QStringLiteral(".FDB"));
    create(path);
    made.emplace(kind, path);
    return path;
}

TParams ParamsOf(const QVariantList& values) {
    TParams params;
    for (int i = 0; i < values.size(); ++i) {
        params.CreateParam(ftUnknown, QStringLiteral("P%1").arg(i + 1), ptInput)
            .SetValue(values.at(i));
    }
    return params;
}

}  // namespace

TestDatabase TestDatabase::Empty() {
    return TestDatabase(TemplatePath(QStringLiteral("EMPTY"), StreetDatabase::CreateEmpty));
}

TestDatabase TestDatabase::Sample() {
    return TestDatabase(TemplatePath(QStringLiteral("SAMPLE"), StreetDatabase::CreateSample));
}

TestDatabase TestDatabase::Generated(int rowCount) {
    return TestDatabase(TemplatePath(
        QStringLiteral("GENERATED_%1").arg(rowCount),
        [rowCount](const QString& path) { StreetDatabase::CreateGenerated(path, rowCount); }));
}

TestDatabase::TestDatabase(const QString& templatePath)
    : FDirectory(std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                 QStringLiteral("/vialar-test-XXXXXX"))) {
    FPath = FDirectory->filePath(QStringLiteral("LOGRADOUROS.FDB"));
    if (!QFile::copy(templatePath, FPath)) {
        throw Exception(QStringLiteral("Cannot copy the test database to %1").arg(FPath));
    }
    QFile::setPermissions(
        FPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
}

TestDatabase::TestDatabase(TestDatabase&&) noexcept = default;
TestDatabase& TestDatabase::operator=(TestDatabase&&) noexcept = default;
TestDatabase::~TestDatabase() = default;

QString TestDatabase::Path() const {
    return FPath;
}

QString TestDatabase::Directory() const {
    return FDirectory->path();
}

void TestDatabase::Configure(TSQLConnection& connection) const {
    connection.SetDriverName(QStringLiteral("Firebird"));
    connection.SetLoginPrompt(false);
    TStrings& params = connection.Params();
    params.SetValue(QStringLiteral("DriverName"), QStringLiteral("Firebird"));
    params.SetValue(QStringLiteral("Database"), FPath);
    params.SetValue(QStringLiteral("RoleName"), QStringLiteral("RoleName"));
    params.SetValue(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
    params.SetValue(QStringLiteral("Password"), QStringLiteral("lanternox"));
    params.SetValue(QStringLiteral("ServerCharSet"), QStringLiteral("WIN1252"));
    params.SetValue(QStringLiteral("SQLDialect"), QStringLiteral("3"));
}

std::unique_ptr<TSQLConnection> TestDatabase::NewConnection() const {
    auto connection = std::make_unique<TSQLConnection>();
    Configure(*connection);
    return connection;
}

int TestDatabase::Execute(const QString& sql, const QVariantList& values) const {
    const auto connection = NewConnection();
    return connection->Execute(sql, ParamsOf(values));
}

QList<QStringList> TestDatabase::Query(const QString& sql, const QVariantList& values) const {
    const auto connection = NewConnection();
    TSQLQuery query;
    query.SetSQLConnection(connection.get());
    query.SQL().SetText(sql);
    // Values go by position, whatever the markers are named.
    query.PSSetParams(ParamsOf(values));
    query.Open();
    QList<QStringList> rows;
    for (; !query.Eof(); query.Next()) {
        QStringList row;
        for (int i = 0; i < query.FieldCount(); ++i) {
            TField* field = query.Fields()[i];
            row << (field->IsNull() ? QString() : field->AsString());
        }
        rows << row;
    }
    return rows;
}

QString TestDatabase::Scalar(const QString& sql, const QVariantList& values) const {
    const QList<QStringList> rows = Query(sql, values);
    return rows.isEmpty() || rows.first().isEmpty() ? QString() : rows.first().first();
}

int TestDatabase::StreetCount() const {
    return Scalar(QStringLiteral("SELECT COUNT(*) FROM LOGRADOUROS")).toInt();
}
