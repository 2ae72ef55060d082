#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class QTemporaryDir;
class TSQLConnection;

// A throw-away database file LOGRADOUROS.FDB in a temporary folder of its own, removed
// when the object goes. Made from a copy of a file created once per test program, so
// each test starts from the same contents at little cost.
//
//     TestDatabase database = TestDatabase::Sample();
//     TSQLConnection connection;
//     database.Configure(connection);   // Firebird, this file, WIN1252, dialect 3
//     connection.Open();
class TestDatabase {
public:
    // The table and nothing in it.
    static TestDatabase Empty();
    // The sample streets (ids 1 to kSampleStreetCount).
    static TestDatabase Sample();
    // Streets 1 to rowCount from the sample generator.
    static TestDatabase Generated(int rowCount);

    TestDatabase(TestDatabase&&) noexcept;
    TestDatabase& operator=(TestDatabase&&) noexcept;
    ~TestDatabase();

    // The database file, and the folder that holds it.
    QString Path() const;
    QString Directory() const;

    // Sets a connection's parameters the way the program's start-up does, for this file.
    void Configure(TSQLConnection& connection) const;
    // A new closed connection configured for this file.
    std::unique_ptr<TSQLConnection> NewConnection() const;

    // Helpers on a second attachment of their own, opened and closed per call, so they
    // see what the code under test committed and never share its transaction.
    int Execute(const QString& sql, const QVariantList& values = {}) const;
    // Every row of a select; each column as its text, a NULL as a null QString.
    QList<QStringList> Query(const QString& sql, const QVariantList& values = {}) const;
    // The first column of the first row (a null QString when there is none).
    QString Scalar(const QString& sql, const QVariantList& values = {}) const;
    int StreetCount() const;

private:
    explicit TestDatabase(const QString& templatePath);

    std::unique_ptr<QTemporaryDir> FDirectory;
    QString FPath;
};
