#!/usr/bin/env bash
# make-seeds.sh OUT — writes a seed corpus for every fuzz target into OUT/<target>/: small images of every
# format made here with ImageMagick and the libraries' tools (plus the hand-made seeds and image crashers
# of this folder), price-update texts, catalogue values and "descript.ion" lists. Nothing is fetched.
# A tool that is missing only means fewer seeds.
set -uo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
magick=/usr/bin/convert
mkdir -p "$out"/{image_file,thumbnail,writers,update_records,statements,file_description}

images=$out/image_file
cp "$here"/seeds/* "$images"/
find "$here/../crashers" -maxdepth 1 -type f -exec cp {} "$images"/ \;
if [ -x "$magick" ]; then
  pic() { "$magick" -size 23x17 gradient:red-blue -fill yellow -draw 'circle 11,8 14,10' "$@" 2>/dev/null; }
  pic -type bilevel "BMP3:$images/mono.bmp"
  pic -colors 16 -type palette "BMP3:$images/sixteen.bmp"
  pic -colors 200 -type palette -compress RLE "BMP3:$images/rle8.bmp"
  pic "BMP3:$images/rgb.bmp"
  pic -colors 64 "$images/palette.gif"
  pic -interlace Line -colors 8 "$images/interlaced-line.gif"
  pic -quality 70 "$images/baseline.jpg"
  pic -interlace Plane "$images/progressive.jpg"
  pic -colorspace Gray "$images/gray.jpg"
  pic -colorspace CMYK "$images/cmyk.jpg"
  pic -colors 12 "PNG8:$images/palette.png"
  pic -colorspace Gray -depth 16 "$images/gray16.png"
  pic -alpha set -channel A -evaluate set 50% "PNG32:$images/rgba.png"
  pic -interlace PNG "$images/adam7.png"
  pic -compress LZW "$images/lzw.tif"
  pic -compress RLE "$images/packbits.tif"
  pic -type bilevel -compress Group4 "$images/g4.tif"
  pic -compress Zip "$images/deflate.tif"
  pic -compress JPEG "$images/jpeg.tif"
  pic -colors 16 "$images/sixteen.pcx"
  pic "$images/rgb.pcx"
  pic -compress RLE "$images/rle.tga"
  pic -colors 50 -type palette "$images/palette.tga"
  pic "$images/rgb.psd"
  pic -colorspace Gray "$images/gray.psd"
fi
# The writers and the thumbnail take the same images.
cp "$images"/* "$out/writers/"
cp "$images"/* "$out/thumbnail/"

records=$out/update_records
printf 'PROD;Arroz;Vale Verde;5 kg;22,45;01/03/2025;* INFO Atualizando* TEMP 1.5* MNSG Pronto!* ' >"$records/mixed.txt"
printf "PROD;D'Ajuda \"A\";x' OR '1'='1;\"), (\"y\" --;1.234,50;01/01/2025;* PROD;;;;;;* XXXX y* \r\nINFO 2* " \
  >"$records/quotes.txt"
printf 'PROD;Feij\xe3o;Tio;1 kg;9,99;10/10/2024;*xPROD;a;b;c;1e308;d;*xTEMP 99999999* ' >"$records/limits.txt"

values=$out/statements
printf 'Arroz\0Vale Verde\0005 kg\00001/03/2025\00022,45\0Semana\0002,5' >"$values/plain"
printf "D'Ajuda \"A\"\0x' OR '1'='1\0\"), (\"y\" --\0\0001.234,50\0Lista 'um'\0001" >"$values/quotes"
printf 'Feij\xe3o\x81\0\0\0\0abc\0\0-' >"$values/not-numbers"

lists=$out/file_description
printf 'photo.jpg Holiday at the sea\r\n"My Picture.BMP" A picture\x04other data\r\n' >"$lists/plain.ion"
printf 'a\n"unterminated name\nPHOTO.JPG   many spaces   \n' >"$lists/odd.ion"
