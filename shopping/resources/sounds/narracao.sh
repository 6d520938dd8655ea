#!/usr/bin/env bash
# narracao.sh TEXT.txt OUT.wav: one explanation of the guided tour, spoken in Brazilian Portuguese from its
# text (UTF-8). 22 050 Hz, 16-bit mono PCM, as the opening sound. Each text is written to end within the
# wait that follows its sound in the tour, at this speed.
set -euo pipefail
texto=$1
out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
espeak-ng -v pt-br -s 160 -p 50 -f "$texto" -w "$tmp/voz.wav"
sox "$tmp/voz.wav" -r 22050 -b 16 -c 1 "$out" vol 0.9
