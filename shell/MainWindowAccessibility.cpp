// What assistive technology reads for the main window's controls. The toolbar holds
// picture buttons whose hints say little ("Usuários" opens the street registry), so
// each gets a name and a description of what it does.
#include <QCalendarWidget>
#include <QToolButton>

#include "shell/uFrm_Principal.h"
#include "toolkit/AccessibleTexts.h"

void TFrm_Principal::DescribeControls() {
    SetAccessibleTexts({
        {SpeedButton6, "Logradouros", "Abre o cadastro dos logradouros"},
        {SpeedButton5, "Calculadora", "Abre a calculadora do sistema"},
        {SpeedButton1, "Sair do Sistema", "Encerra o programa, depois de confirmar"},
        {calendario, "Calendário", "Mostra a data de hoje"},
    });
}
