#!/usr/bin/env bash
# Draws the battery-label picture of the new-barcode dialog: a label as it is
# printed on a battery, 618 by 104 pixels, with the last 11 characters of its
# code framed in red. Needs ImageMagick and the DejaVu fonts.
set -euo pipefail
out=${1:-$(dirname "$0")/battery_label.jpg}
mono=/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf
sans=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
bars=""
x=14
for w in 2 1 3 1 1 2 3 1 2 1 1 3 2 1 2 2 1 3 1 2 1 1 2 3 1 1 2 1 3 2 1 1 2 3 1 2 1 3 1 1 2 2 1 3 2 1 1 2; do
  bars+=" rectangle $x,14 $((x + w - 1)),56"
  x=$((x + w + 2))
done
convert -size 618x104 xc:'#e9e9e4' \
  -fill '#cfcfc8' -draw "rectangle 0,0 617,6" -draw "rectangle 0,97 617,103" \
  -fill black -draw "$bars" \
  -font "$sans" -pointsize 13 -draw "text 226,26 'Li-ion Battery Pack   10.8V  5.2Ah  56Wh'" \
  -draw "text 226,46 'FRU P/N 45N1001   ASM P/N 45N1000'" \
  -font "$mono" -pointsize 22 -draw "text 14,86 '11S45N1001Z1ZS81CB2AN'" \
  -fill none -stroke '#e00000' -strokewidth 3 -draw "rectangle 143,62 291,94" \
  -quality 90 "$out"
identify "$out"
