#!/usr/bin/env bash
# printed-lines.sh PRINTED.ps EXPECTED.txt MIN_PAGES: every line of EXPECTED (Windows-1252, CR LF) is a
# line of what Ghostscript reads back from the PostScript a printer was sent, blanks runs counted as one,
# and the document has at least MIN_PAGES pages. The driver sends the text as glyphs of the font it
# downloads, and Ghostscript names some of them by look-alike characters (no-break space, soft hyphen,
# Greek question mark): those are read as the blank, hyphen and semicolon they were printed for.
set -euo pipefail
ps=$1
expected=$2
pages=$3
[ -s "$ps" ] || { echo "printed-lines.sh: nothing was printed to $ps" >&2; exit 1; }
squeeze() { sed -e 's/\r$//' -e 's/\xc2\xa0/ /g' -e 's/\xc2\xad/-/g' -e 's/\xcd\xbe/;/g' -e 's/[[:space:]]\+/ /g' -e 's/^ //' -e 's/ $//' | grep -v '^$' || true; }
printed=$(gs -q -dNOPAUSE -dBATCH -sDEVICE=txtwrite -sOutputFile=- "$ps" | squeeze)
status=0
while IFS= read -r line; do
  grep -qxF -- "$line" <<<"$printed" || { echo "not printed: $line" >&2; status=1; }
done < <(iconv -f CP1252 -t UTF-8 "$expected" | squeeze)
got=$(grep -c '^%%Page: ' "$ps" || true)
if [ "$got" -lt "$pages" ]; then
  echo "printed-lines.sh: $got pages, expected at least $pages" >&2
  status=1
fi
exit $status
