#!/usr/bin/env bash
# printed-lines.sh PRINTED.ps EXPECTED.txt MIN_PAGES [PPD]: every line of EXPECTED (Windows-1252, CR LF) is a
# line of what Ghostscript reads back from the PostScript a printer was sent, blanks runs counted as one,
# the document has at least MIN_PAGES pages, and (given the PPD) every mark of every page lies inside the
# printable area that the printer's PPD gives for its default paper. Ghostscript reads back text wherever it was drawn,
# also past the edge of the printable area where the printer would cut it: the bounding box of each page
# is what shows that the ends of the lines are on the paper.
# The driver sends the text as glyphs of the font it downloads, and Ghostscript names some of them by
# look-alike characters (no-break space, soft hyphen, Greek question mark): those are read as the blank,
# hyphen and semicolon they were printed for.
set -euo pipefail
ps=$1
expected=$2
pages=$3
ppd=${4:-}
[ -s "$ps" ] || { echo "printed-lines.sh: nothing was printed to $ps" >&2; exit 1; }
squeeze() { sed -e 's/\r$//' -e 's/\xc2\xa0/ /g' -e 's/\xc2\xad/-/g' -e 's/\xcd\xbe/;/g' -e 's/[[:space:]]\+/ /g' -e 's/^ //' -e 's/ $//' | grep -v '^$' || true; }
printed=$(gs -q -dNOPAUSE -dBATCH -sDEVICE=txtwrite -sOutputFile=- "$ps" | squeeze)
status=0
# A line too wide for the paper may go on over the next printed lines: one not printed whole is looked for
# in the printed text with its line ends taken out (a line cut short is found neither way).
joined=$(tr -d '\n' <<<"$printed")
while IFS= read -r line; do
  grep -qxF -- "$line" <<<"$printed" || grep -qF -- "$line" <<<"$joined" || {
    echo "not printed: $line" >&2
    status=1
  }
done < <(iconv -f CP1252 -t UTF-8 "$expected" | squeeze)
got=$(grep -c '^%%Page: ' "$ps" || true)
if [ "$got" -lt "$pages" ]; then
  echo "printed-lines.sh: $got pages, expected at least $pages" >&2
  status=1
fi
if [ -n "$ppd" ]; then
  paper=$(sed -n 's/^\*DefaultImageableArea: *//p' "$ppd" | tr -d '\r')
  read -r left bottom right top < <(sed -n "s|^\*ImageableArea $paper[/:][^\"]*\"\([^\"]*\)\".*|\1|p" "$ppd")
  [ -n "${top:-}" ] || { echo "printed-lines.sh: no printable area for $paper in $ppd" >&2; exit 1; }
  page=0
  while read -r x0 y0 x1 y1; do
    page=$((page + 1))
    # An empty page has the box 0 0 0 0.
    if awk -v a="$x0" -v b="$y0" -v c="$x1" -v d="$y1" -v l="$left" -v bo="$bottom" -v r="$right" -v t="$top" \
      'BEGIN { exit !((a == 0 && b == 0 && c == 0 && d == 0) || (a >= l && b >= bo && c <= r && d <= t)) }'; then
      continue
    fi
    echo "page $page: marks in $x0 $y0 $x1 $y1, outside the printable area $left $bottom $right $top" >&2
    status=1
  done < <(gs -q -dNOPAUSE -dBATCH -sDEVICE=bbox "$ps" 2>&1 | sed -n 's/^%%HiResBoundingBox: //p')
  [ "$page" -ge 1 ] || { echo "printed-lines.sh: Ghostscript found no page in $ps" >&2; status=1; }
fi
exit $status
