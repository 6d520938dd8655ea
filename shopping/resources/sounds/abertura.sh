#!/usr/bin/env bash
# abertura.sh OUT.wav: the opening sound of mercanota (10_24.wav), a three-note chime and the program's
# name spoken in Brazilian Portuguese. 22 050 Hz, 16-bit mono PCM, which every wave device plays.
set -euo pipefail
# -R: repeatable noise for the plucked notes, so every build makes the same file.
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fmt=(-r 22050 -b 16 -c 1)

sox -R -n "${fmt[@]}" "$tmp/1.wav" synth 0.16 pluck E5 fade 0 0.16 0.06 vol 0.6
sox -R -n "${fmt[@]}" "$tmp/2.wav" synth 0.16 pluck G5 fade 0 0.16 0.06 vol 0.6
sox -R -n "${fmt[@]}" "$tmp/3.wav" synth 0.55 pluck C6 fade 0 0.55 0.4 vol 0.6
espeak-ng -v pt-br -s 140 -p 55 -w "$tmp/voz-original.wav" "Mercanota!"
sox -R "$tmp/voz-original.wav" "${fmt[@]}" "$tmp/voz.wav" pad 0.1 0 vol 0.9
sox -R "$tmp/1.wav" "$tmp/2.wav" "$tmp/3.wav" "$tmp/voz.wav" "${fmt[@]}" "$out"
