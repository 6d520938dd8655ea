#!/usr/bin/env bash
# stock-sqlite.sh MKCATALOGUE: a new and a demonstration catalogue, made by the catalogue tool, are
# ordinary SQLite files for the stock sqlite3 shell and for Python's sqlite3 module, which know nothing of
# mercanota: they count, sort, insert, update and delete products, and the integrity check says ok after.
set -euo pipefail
mkcatalogue=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
status=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf '%s: expected [%s], got [%s]\n' "$1" "$2" "$3" >&2
    status=1
  fi
}
"$mkcatalogue" "$dir/novo.mdb"
"$mkcatalogue" --demo "$dir/demo.mdb"
for db in "$dir/novo.mdb" "$dir/demo.mdb"; do
  n=$(sqlite3 "$db" 'SELECT count(*) FROM Produtos')
  check "$db: shell count" "$n" "$(sqlite3 "$db" 'SELECT count(*) FROM (SELECT Produto FROM Produtos ORDER BY Produto)')"
  sqlite3 "$db" "INSERT INTO Produtos (Produto, Marca, Complemento, DataPesquisa, PrecoUnitario)
                 VALUES ('Açaí', 'Pará', '1 kg', '09/12/2026', 31.9), ('zimbro', 'Serra', '50 g', '09/12/2026', 12);
                 UPDATE Produtos SET PrecoUnitario = 32.5 WHERE Produto = 'açaí';"
  check "$db: shell insert" "$((n + 2))" "$(sqlite3 "$db" 'SELECT count(*) FROM Produtos')"
  check "$db: shell update and look-up" "32.5" "$(sqlite3 "$db" "SELECT PrecoUnitario FROM Produtos WHERE Produto = 'Açaí'")"
  check "$db: shell case-blind look-up" "zimbro" "$(sqlite3 "$db" "SELECT Produto FROM Produtos WHERE Produto = 'ZIMBRO'")"
  sqlite3 "$db" "DELETE FROM Produtos WHERE Produto = 'Zimbro'"
  check "$db: shell integrity" "ok" "$(sqlite3 "$db" 'PRAGMA integrity_check')"
  python3 - "$db" "$((n + 1))" <<'PY' || status=1
import sqlite3, sys
path, count = sys.argv[1], int(sys.argv[2])
con = sqlite3.connect(path)
assert con.execute("SELECT count(*) FROM Produtos").fetchone()[0] == count
names = [r[0] for r in con.execute("SELECT DISTINCT Produto FROM Produtos ORDER BY Produto")]
assert names == sorted(names, key=lambda s: s.encode().lower()), names
with con:
    con.executemany("INSERT INTO Produtos (Produto, Marca, PrecoUnitario) VALUES (?, ?, ?)",
                    [("Pão de Queijo", "Minas", 18.9), ("pão de queijo", "Serra", 17.5)])
    con.execute("UPDATE Produtos SET PrecoUnitario = PrecoUnitario * 1.1 WHERE Produto = 'PãO DE QUEIJO'")
    con.execute("DELETE FROM Produtos WHERE Produto = 'Açaí'")
found = con.execute("SELECT count(*) FROM Produtos WHERE Produto = 'pão de queijo'").fetchone()[0]
assert found == 2, found
assert con.execute("SELECT round(sum(PrecoUnitario), 2) FROM Produtos WHERE Produto = 'pão de queijo'").fetchone()[0] == 40.04
assert con.execute("SELECT count(*) FROM Produtos").fetchone()[0] == count + 1
assert con.execute("PRAGMA integrity_check").fetchone()[0] == "ok"
con.close()
PY
  check "$db: integrity after Python" "ok" "$(sqlite3 "$db" 'PRAGMA integrity_check')"
done
exit $status
