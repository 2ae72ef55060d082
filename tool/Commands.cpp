#include "tool/Commands.h"

const ToolCommand kToolCommands[] = {
    {"create-db", "cria LOGRADOUROS.FDB numa pasta",
     "Uso: vialar-tool create-db PASTA [--sample | --rows N]\n"
     "\n"
     "Cria o banco de dados LOGRADOUROS.FDB na PASTA (conjunto de caracteres WIN1252,\n"
     "dialeto 3). Um banco existente nunca é substituído.\n"
     "\n"
     "  --sample   com os logradouros de exemplo\n"
     "  --rows N   com N logradouros gerados\n"
     "Sem opção, a tabela vem vazia.",
     RunCreateDb},
    {"check-db", "verifica o banco de dados",
     "Uso: vialar-tool check-db\n"
     "\n"
     "Abre o banco de dados (LOGRADOUROS.FDB da pasta atual, ou o configurado), mostra\n"
     "quantos logradouros há, o maior identificador, o tamanho da página e a versão da\n"
     "estrutura (ODS), e roda a validação completa do Firebird (gfix -v -full).\n"
     "Termina com o código 5 quando encontra danos. A validação exige que nenhum outro\n"
     "programa esteja com o banco aberto.",
     RunCheckDb},
    {"convert", "converte um relatório salvo (.VRP) em PDF",
     "Uso: vialar-tool convert ENTRADA.VRP SAIDA.PDF\n"
     "\n"
     "Grava em PDF as páginas de um relatório salvo no formato nativo (.VRP), tal como\n"
     "foram guardadas. Só PDF: um arquivo salvo não tem o relatório que o gerou, então\n"
     "os outros formatos vêm de \"vialar-tool listing --out\".",
     RunConvert},
    {"listing", "emite o relatório dos logradouros",
     "Uso: vialar-tool listing [FILTROS] (--out ARQUIVO | --print [FILA])\n"
     "\n"
     "Emite o relatório dos logradouros do banco de dados (LOGRADOUROS.FDB da pasta\n"
     "atual, ou o configurado) como os comandos do menu: sem filtro, o \"Relatório dos\n"
     "Logradouros\" completo; com qualquer filtro, o \"Relatório dos Logradouros -\n"
     "Pesquisa\" com a linha dos filtros. Lei e ano devem ser iguais ao valor; os\n"
     "outros campos devem começar pelo valor, sem diferença de maiúsculas.\n"
     "\n"
     "  --lei V  --ano V  --tipo V  --nome V  --titulo V  --nome-usual V  --localizacao V\n"
     "  --out ARQUIVO   grava conforme a extensão: VRP (relatório nativo) ou um dos\n"
     "                  formatos de exportação do programa (TXT, CSV, PDF, HTM)\n"
     "  --print [FILA]  imprime na fila do CUPS (sem nome, na impressora padrão)\n"
     "\n"
     "Num terminal, mostra as páginas geradas enquanto trabalha.",
     RunListing},
    {nullptr, nullptr, nullptr, nullptr},
};
