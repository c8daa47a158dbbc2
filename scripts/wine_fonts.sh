#!/usr/bin/env bash
# Puts Wine's own Marlett and Tahoma into a prefix's Fonts folder. Debian's
# Wine does not find them in its data folder by itself: title bars then draw
# "0 1 r" where Marlett's glyphs belong, and Tahoma is another font.
#   wine_fonts.sh PREFIX
set -euo pipefail
fonts=/usr/share/wine/fonts
target=$1/drive_c/windows/Fonts
mkdir -p "$target"
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  [ -f "$fonts/$font" ] && cp "$fonts/$font" "$target/"
done
exit 0
