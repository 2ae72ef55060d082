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
    {"import", "inclui logradouros de um arquivo CSV",
     "Uso: vialar-tool import ARQUIVO.CSV [--dry-run] [--as-exported]\n"
     "\n"
     "Inclui na tabela LOGRADOUROS os logradouros de um arquivo CSV, tudo ou nada: se\n"
     "alguma linha for recusada, nada é gravado.\n"
     "\n"
     "A primeira linha dá os nomes das colunas da tabela (I_ID, PLEI, PANO, LEI, ANO,\n"
     "TIPO, NOME, TITULO, NOME_USUAL, LOCALIZACAO, OBSERVACAO) em qualquer ordem, em\n"
     "maiúsculas ou minúsculas; LEI, ANO e NOME não podem faltar, as outras que\n"
     "faltarem ficam vazias. O separador (\";\" ou \",\") e a codificação (UTF-8, com ou\n"
     "sem marca, ou Windows-1252) são reconhecidos; um campo entre aspas pode ter\n"
     "separadores, quebras de linha e aspas (dobradas). Um campo vazio fica nulo; \"\"\n"
     "é um texto vazio.\n"
     "\n"
     "Cada linha é conferida como na gravação da janela de cadastro: campos\n"
     "obrigatórios, tamanho de cada coluna, caracteres que o banco (WIN1252) não\n"
     "guarda, e tipo e nome já cadastrados (na tabela ou numa linha anterior). Sem\n"
     "I_ID, o logradouro recebe o maior identificador mais um, como no programa; um\n"
     "I_ID já em uso é recusado. Cada linha recusada é mostrada com o seu número, a\n"
     "coluna e o motivo.\n"
     "\n"
     "  --dry-run      só confere; nada é gravado\n"
     "  --as-exported  o arquivo é uma cópia da tabela feita pelo export-db: cada linha\n"
     "                 entra como está, com o seu I_ID (obrigatório), sem exigir lei,\n"
     "                 ano e nome e sem recusar tipo e nome repetidos\n"
     "\n"
     "Termina com 0 quando tudo foi gravado (ou conferido), 8 quando o arquivo não\n"
     "pode ser lido ou o cabeçalho é recusado, 11 quando alguma linha é recusada e 4\n"
     "quando o banco de dados não pode ser usado.",
     RunImport},
    {"export-db", "grava a tabela dos logradouros em CSV (dados abertos)",
     "Uso: vialar-tool export-db ARQUIVO.CSV\n"
     "\n"
     "Grava a tabela LOGRADOUROS inteira (as onze colunas, em ordem de identificador)\n"
     "em CSV como planilhas e portais de dados abertos leem: UTF-8, uma linha de\n"
     "cabeçalho com os nomes das colunas, vírgula como separador e aspas conforme a\n"
     "RFC 4180. Um campo nulo fica vazio; um texto vazio, \"\". O arquivo volta com\n"
     "\"vialar-tool import --as-exported\". Um arquivo de mesmo nome só é substituído\n"
     "quando o novo está completo.",
     RunExportDb},
    {"backup", "faz e verifica uma cópia de segurança (gbak)",
     "Uso: vialar-tool backup ARQUIVO\n"
     "\n"
     "Faz uma cópia de segurança do banco de dados (LOGRADOUROS.FDB da pasta atual, ou\n"
     "o configurado, também num servidor) com o gbak do Firebird e a verifica: restaura\n"
     "a cópia numa pasta temporária e faz nela as verificações do check-db. Só uma\n"
     "cópia verificada recebe o nome ARQUIVO; um arquivo de mesmo nome é substituído\n"
     "apenas então. Termina com 5 quando a cópia não passa na verificação.",
     RunBackup},
    {"restore", "restaura uma cópia de segurança numa pasta",
     "Uso: vialar-tool restore ARQUIVO PASTA\n"
     "\n"
     "Restaura uma cópia de segurança feita pelo backup (ou pelo gbak) como\n"
     "PASTA/LOGRADOUROS.FDB e a verifica como o check-db. Um banco existente nunca é\n"
     "substituído (código 10); o banco só aparece com esse nome depois de restaurado\n"
     "e verificado.",
     RunRestore},
    {nullptr, nullptr, nullptr, nullptr},
};
