#include "reports/ListingFilter.h"

const std::array<const char*, 7> ListingParameterNames = {
    "LEI", "ANO", "TIPO", "NOME", "TITULO", "NOME_USUAL", "LOCALIZACAO"};

namespace {

const std::array<const char*, 7> kDescriptionParts = {
    "Lei : ", "Ano : ", "Tipo : ", "Nome : ", "Título : ", "Nome Usual : ", "Localização : "};

}  // namespace

TListingFilter NoListingFilter() {
    TListingFilter values;
    values.fill(QStringLiteral("0"));
    return values;
}

TTypedListingFilter ListingFilterFromTexts(const std::array<QString, 7>& texts) {
    TTypedListingFilter filter;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].isEmpty()) {
            filter.Values[i] = QStringLiteral("0");
        } else {
            filter.Values[i] = texts[i];
            filter.Description +=
                QString::fromUtf8(kDescriptionParts[i]) + texts[i] + QStringLiteral("  ");
        }
    }
    return filter;
}
