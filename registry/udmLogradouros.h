#pragma once

// TdmLogradouros: the street data module. It holds three chains over the table
// LOGRADOUROS, each a query on the session, a provider and a cached data set:
//   sqlDados / dspDados / cdsDados           one street, by identifier (parameter UM);
//                                            the record the registry window shows and edits
//   sqlPesquisa / dspPesquisa / cdsPesquisa  every street, text columns in capitals,
//                                            for the search list
//   sqlBusca / dspBusca / cdsBusca           ad hoc commands (the next identifier)
// The registry window creates one module as its child and the module dies with it.

#include <QObject>
#include <QString>

class TCachedDataSet;
class TDataProvider;
class TSQLQuery;

class TdmLogradouros : public QObject {
    Q_OBJECT

public:
    explicit TdmLogradouros(QObject* owner = nullptr);
    ~TdmLogradouros() override;

    TSQLQuery* sqlDados = nullptr;
    TDataProvider* dspDados = nullptr;
    TCachedDataSet* cdsDados = nullptr;

    TSQLQuery* sqlPesquisa = nullptr;
    TDataProvider* dspPesquisa = nullptr;
    TCachedDataSet* cdsPesquisa = nullptr;

    TSQLQuery* sqlBusca = nullptr;
    TDataProvider* dspBusca = nullptr;
    TCachedDataSet* cdsBusca = nullptr;

    // A new street gets the highest identifier stored in the database plus one, once
    // when it is appended and again each time it is posted until it is stored, so that
    // a street another user stored in between is taken into account.
    void cdsDadosAfterInsert(TCachedDataSet& dataSet);
    void cdsDadosBeforePost(TCachedDataSet& dataSet);

    // Loads the street with the given identifier into cdsDados (empty when there is
    // none): close, fetch the parameters, set UM, open. The text form passes the
    // identifier on as text, for callers that hold it as text; empty text loads nothing.
    void loadRecord(int id);
    void loadRecord(const QString& id);
    // Loads every street into cdsPesquisa, in the order of its index when one is set.
    void loadSearchList();

private:
    void AssignNextIdentifier(TCachedDataSet& dataSet);
};

// The module of the open registry window; none otherwise.
extern TdmLogradouros* dmLogradouros;
