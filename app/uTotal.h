#pragma once

#include <QString>
#include <array>

// Installation constants: compiled in for one customer installation and assigned
// when the program's units initialise, before any window exists.
extern const QString Ano_Exercicio;
extern const QString Descricao_Sistema;  // "Torvane Logradouros - " + Ano_Exercicio
extern const QString Descricao_Cliente;
extern const QString Descricao_Estado;
// Report colours, kept as colour names; turn them into colours with StringToColor
// (core/Colors.h) where they are used.
extern const QString Cor_Pauta_True;   // odd report rows
extern const QString Cor_Pauta_False;  // even report rows
extern const QString Cor_Cabecalho;    // column-header band

// Values the windows hand to each other; user-interface thread only.
extern QString DiretorioCorrente;  // the process's current directory, without a trailing separator
extern QString TituloRelatorio;    // title of the report being run
extern int Relatorio;              // which report the filter dialog runs; 1 = street listing
extern QString ComandoPesquisa;    // the last ad hoc SQL given to the street data module
extern bool CamposOK;              // verdict of the required-fields check
extern std::array<QString, 7>
    GsCodigo;  // first seven fields of the row opened from the search list

// Portuguese day (Sunday first) and month (January first) names.
extern const std::array<QString, 7> arrShortDayNames;
extern const std::array<QString, 7> arrLongDayNames;
extern const std::array<QString, 12> arrShortMonthNames;
extern const std::array<QString, 12> arrLongMonthNames;

// Sets the process-wide short date format to "dd/mm/yyyy" (the separator stays the
// system's) and the day and month names to the Portuguese ones. Nothing else changes.
void AcertaPadraoData();
