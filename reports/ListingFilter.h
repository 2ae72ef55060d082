#pragma once

// The street listing's filter: seven text values bound by name to the report query's
// parameters, "0" switching a filter off, and the description of the filters in use
// that the report prints in its header.

#include <QString>
#include <array>

// The values in the order of the parameters LEI, ANO, TIPO, NOME, TITULO, NOME_USUAL
// and LOCALIZACAO.
using TListingFilter = std::array<QString, 7>;

// The parameter names, in the order of TListingFilter.
extern const std::array<const char*, 7> ListingParameterNames;

// Every filter off: seven "0".
TListingFilter NoListingFilter();

struct TTypedListingFilter {
    TListingFilter Values;
    QString Description;
};

// The filter made from what the user typed for each field (same order): an empty text
// is "0"; any other text is the value exactly as typed (so "0" typed is no filter too)
// and adds the field's part ("Lei : ", "Ano : ", ...), the text and two blanks to the
// description.
TTypedListingFilter ListingFilterFromTexts(const std::array<QString, 7>& texts);
