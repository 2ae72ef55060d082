#pragma once

// A query, its provider and a cached data set over a throw-away database, wired the way
// the street data module wires its chains: all three are children of one owner, the
// set finds its provider by name.

#include <gtest/gtest.h>

#include <QObject>
#include <memory>

#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "db/Schema.h"
#include "tests/support/TestDatabase.h"

inline const char* const kAllStreetsSql =
    "SELECT A.I_ID, A.PLEI, A.PANO, A.LEI, A.ANO, A.TIPO, A.NOME, A.TITULO, A.NOME_USUAL,"
    " A.LOCALIZACAO, A.OBSERVACAO FROM LOGRADOUROS A ORDER BY A.I_ID";

struct StreetChain {
    QObject owner;
    std::unique_ptr<TSQLConnection> connection;
    TSQLQuery* query;
    TDataProvider* provider;
    TCachedDataSet* set;

    // declareFields: the eleven street fields, I_ID required and in the key, on both
    // the query and the set; otherwise both make their fields from the columns.
    explicit StreetChain(const TestDatabase& database, const QString& sql = kAllStreetsSql,
                         bool declareFields = true) {
        connection = database.NewConnection();
        connection->Open();
        query = new TSQLQuery(&owner);
        query->SetName(QStringLiteral("sqlDados"));
        query->SetSQLConnection(connection.get());
        query->SQL().SetText(sql);
        provider = new TDataProvider(&owner);
        provider->SetName(QStringLiteral("dspDados"));
        provider->SetDataSet(query);
        provider->SetUpdateMode(upWhereKeyOnly);
        set = new TCachedDataSet(&owner);
        set->setObjectName(QStringLiteral("cdsDados"));
        set->SetProviderName(QStringLiteral("dspDados"));
        if (declareFields) {
            for (const StreetColumn& column : StreetColumns()) {
                TField* onQuery = streetField(column).release();
                onQuery->setParent(query);
                query->AddField(onQuery);
                set->AddField(streetField(column));
            }
        }
    }

    static std::unique_ptr<TField> streetField(const StreetColumn& column) {
        std::unique_ptr<TField> field;
        if (column.width == 0) {
            field = std::make_unique<TIntegerField>();
            field->SetRequired(true);
            field->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
        } else {
            field = std::make_unique<TStringField>();
            field->SetSize(column.width);
        }
        field->SetFieldName(QString::fromLatin1(column.name));
        return field;
    }

    TField& field(const char* name) const { return *set->FieldByName(QString::fromLatin1(name)); }

    // Makes the row with this identifier current (the set ordered by I_ID).
    void go(int id) const {
        set->First();
        while (!set->Eof() && field("I_ID").AsInteger() != id) set->Next();
        ASSERT_EQ(field("I_ID").AsInteger(), id);
    }
};

// Runs code that must fail and returns the failure's message.
template <class Code>
QString failureOf(Code code) {
    try {
        code();
    } catch (const Exception& error) {
        return error.Message();
    }
    return QStringLiteral("(no failure)");
}
