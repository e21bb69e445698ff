#!/usr/bin/env bash
# Redraws app/programs/windows/velmark.ico, the Windows programs' file icon, from the icon
# the native build draws (16, 32 and 48 pixels with alpha, and 256 pixels as PNG). Run it
# after a change of the icon's drawing (app/Glyphs.cpp); it needs the Linux build's
# velmark-render and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target velmark_icon
icons=build/app/programs/icons
convert "$icons"/16x16/velmark.png "$icons"/32x32/velmark.png "$icons"/48x48/velmark.png \
  "$icons"/256x256/velmark.png app/programs/windows/velmark.ico
echo "wrote app/programs/windows/velmark.ico"
