#include "registry/udmLogradouros.h"

#include <memory>

#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "core/HourGlass.h"
#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TParams.h"
#include "data/TSQLQuery.h"
#include "db/StreetFields.h"
#include "registry/StreetRules.h"

TdmLogradouros* dmLogradouros = nullptr;

namespace {

TSQLQuery* CreateQuery(const QString& name, const QString& text, QObject* owner) {
    auto* query = new TSQLQuery(owner);
    query->SetName(name);
    query->SetSQLConnection(dmPrincipal ? dmPrincipal->TorvaneConnection : nullptr);
    query->SetMaxBlobSize(-1);
    if (!text.isEmpty()) query->SQL().SetText(text);
    return query;
}

TDataProvider* CreateProvider(const QString& name, TSQLQuery* query, TProviderOptions options,
                              TUpdateMode mode, QObject* owner) {
    auto* provider = new TDataProvider(owner);
    provider->SetName(name);
    provider->SetDataSet(query);
    provider->SetOptions(options);
    provider->SetUpdateMode(mode);
    return provider;
}

TCachedDataSet* CreateDataSet(const QString& name, const QString& providerName, QObject* owner) {
    auto* dataSet = new TCachedDataSet(owner);
    dataSet->setObjectName(name);
    dataSet->SetProviderName(providerName);
    return dataSet;
}

const QString kSqlDados = QStringLiteral(
    "SELECT\n"
    " A.I_ID,\n"
    " A.PLEI,\n"
    " A.PANO,\n"
    " A.LEI,\n"
    " A.ANO,\n"
    " A.TIPO,\n"
    " A.NOME,\n"
    " A.TITULO,\n"
    " A.NOME_USUAL,\n"
    " A.LOCALIZACAO,\n"
    " A.OBSERVACAO\n"
    "FROM\n"
    " LOGRADOUROS A\n"
    "WHERE\n"
    " A.I_ID=:UM");

// The free-text columns come back in capitals under their own names, so that the
// search list can be searched with what the user types in capitals.
const QString kSqlPesquisa = QStringLiteral(
    "SELECT\n"
    " A.I_ID,\n"
    " A.PLEI,\n"
    " A.PANO,\n"
    " A.LEI,\n"
    " A.ANO,\n"
    " UPPER(A.TIPO) AS TIPO,\n"
    " UPPER(A.NOME) AS NOME,\n"
    " UPPER(A.TITULO) AS TITULO,\n"
    " UPPER(A.NOME_USUAL) AS NOME_USUAL,\n"
    " UPPER(A.LOCALIZACAO) AS LOCALIZACAO,\n"
    " UPPER(A.OBSERVACAO) AS OBSERVACAO\n"
    "FROM\n"
    " LOGRADOUROS A\n"
    "ORDER BY\n"
    " A.I_ID");

}  // namespace

TdmLogradouros::TdmLogradouros(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("dmLogradouros"));

    sqlDados = CreateQuery(QStringLiteral("sqlDados"), kSqlDados, this);
    // The query's parameter is declared an integer, as the record is always looked up
    // by its numeric identifier.
    sqlDados->Params().ParamByName(QStringLiteral("UM")).SetDataType(ftInteger);
    sqlDados->Params().ParamByName(QStringLiteral("UM")).SetParamType(ptInput);
    DeclareStreetFields(*sqlDados, this);
    dspDados =
        CreateProvider(QStringLiteral("dspDados"), sqlDados,
                       TProviderOptions(poCascadeDeletes) | poCascadeUpdates, upWhereKeyOnly, this);
    cdsDados = CreateDataSet(QStringLiteral("cdsDados"), QStringLiteral("dspDados"), this);
    DeclareStreetFields(*cdsDados);
    cdsDados->AfterInsert = [this](TCachedDataSet& dataSet) { cdsDadosAfterInsert(dataSet); };
    cdsDados->BeforePost = [this](TCachedDataSet& dataSet) { cdsDadosBeforePost(dataSet); };

    sqlPesquisa = CreateQuery(QStringLiteral("sqlPesquisa"), kSqlPesquisa, this);
    DeclareStreetFields(*sqlPesquisa, this);
    dspPesquisa =
        CreateProvider(QStringLiteral("dspPesquisa"), sqlPesquisa, {}, upWhereKeyOnly, this);
    cdsPesquisa = CreateDataSet(QStringLiteral("cdsPesquisa"), QStringLiteral("dspPesquisa"), this);
    DeclareStreetFields(*cdsPesquisa);

    sqlBusca = CreateQuery(QStringLiteral("sqlBusca"), QString(), this);
    dspBusca = CreateProvider(QStringLiteral("dspBusca"), sqlBusca,
                              TProviderOptions(poAllowCommandText), upWhereAll, this);
    cdsBusca = CreateDataSet(QStringLiteral("cdsBusca"), QStringLiteral("dspBusca"), this);
}

TdmLogradouros::~TdmLogradouros() {
    if (dmLogradouros == this) dmLogradouros = nullptr;
}

void TdmLogradouros::cdsDadosAfterInsert(TCachedDataSet& dataSet) {
    AssignNextIdentifier(dataSet);
}

void TdmLogradouros::cdsDadosBeforePost(TCachedDataSet& dataSet) {
    // A street never stored takes a fresh identifier on every attempt to save it, also
    // when a refused save put it back into edit state: the refusal may be another
    // workstation having stored the same identifier first. A stored street keeps its own.
    if (dataSet.State() == dsInsert || dataSet.UpdateStatus() == usInserted)
        AssignNextIdentifier(dataSet);
}

void TdmLogradouros::AssignNextIdentifier(TCachedDataSet& dataSet) {
    // The highest identifier comes from the database alone: every save is applied at
    // once, so the cache holds no other new street at this moment.
    ComandoPesquisa = StreetRules::HighestIdentifierSql();
    cdsBusca->Close();
    cdsBusca->SetCommandText(ComandoPesquisa);
    cdsBusca->Open();
    const qint32 next =
        cdsBusca->RecordCount() > 0 ? StreetRules::NextIdentifier(cdsBusca->Fields(0)->AsInteger())
                                    : 1;
    dataSet.FieldByName(QStringLiteral("I_ID"))->SetAsInteger(next);
}

void TdmLogradouros::loadRecord(int id) {
    cdsDados->Close();
    cdsDados->FetchParams();
    cdsDados->Params().ParamByName(QStringLiteral("UM")).SetAsInteger(id);
    cdsDados->Open();
}

void TdmLogradouros::loadRecord(const QString& id) {
    cdsDados->Close();
    cdsDados->FetchParams();
    TParam& parameter = cdsDados->Params().ParamByName(QStringLiteral("UM"));
    // An empty identifier (a row opened from an empty search list) selects nothing:
    // a null parameter matches no row, where empty text would fail to convert.
    if (id.isEmpty()) {
        parameter.Clear();
    } else {
        parameter.SetAsString(id);
    }
    cdsDados->Open();
}

void TdmLogradouros::loadSearchList() {
    // Reading every street takes a while on a large table.
    const HourGlass hourGlass;
    cdsPesquisa->Close();
    cdsPesquisa->Open();
}
