#!/usr/bin/env bash
# Puts Wine's Marlett, the symbol font of the title-bar buttons, into a prefix's
# Windows\Fonts, where every Wine finds it. Debian's Wine 8 looks for its own
# fonts beside its data folder, not in /usr/share/wine/fonts where fonts-wine
# installs them; without Marlett the buttons show their code letters "0 1 r".
#   usage: add-caption-font.sh PREFIX
set -euo pipefail
prefix=${1:?usage: add-caption-font.sh PREFIX}
font=/usr/share/wine/fonts/marlett.ttf
[ -f "$font" ] || { echo "add-caption-font: $font is missing (Debian package fonts-wine)" >&2; exit 1; }
mkdir -p "$prefix/drive_c/windows/Fonts"
cp "$font" "$prefix/drive_c/windows/Fonts/"
