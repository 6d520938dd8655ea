#!/usr/bin/env bash
# catalogue-rows.sh CATALOGUE EXPECTED: the rows of both tables of a catalogue as the stock sqlite3 shell
# reads them (one line per row, fields separated by "|", each value with its storage type), compared
# with the EXPECTED file. Exit status 0 when they match; the difference is shown otherwise.
set -euo pipefail
db=$1
expected=$2
[ -f "$db" ] || { echo "catalogue-rows.sh: no catalogue at $db" >&2; exit 1; }
actual=$(sqlite3 -readonly -separator '|' "$db" \
  "SELECT 'Produtos', ID_Produto, Produto, Marca, Complemento, DataPesquisa, PrecoUnitario, typeof(PrecoUnitario)
     FROM Produtos ORDER BY ID_Produto;
   SELECT 'Compras', Nome_Salvar, ID_Produto, Quantidade, typeof(Quantidade) FROM Compras ORDER BY rowid;")
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  echo "catalogue-rows.sh: the rows of $db differ from $expected" >&2
  exit 1
fi
