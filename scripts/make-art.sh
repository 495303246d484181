#!/usr/bin/env bash
# Draws the wizard's picture strip (8-bit palette BMP) and its icon (16, 32 and 48 px) into
# resources/. The generated files are committed; run this again only to change the pictures.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$repo/resources}"
convert=/usr/bin/convert
font_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

if [ ! -x "$convert" ] || [ ! -e "$font_bold" ]; then
    "$repo/scripts/setup.sh"
fi

# The strip control is 132 x 238 dialog units: 198 x 387 pixels with MS Shell Dlg 8 at 96 DPI on
# Windows (dialog base units 6 x 13), 198 x 357 under Wine (6 x 12). The picture is drawn a
# little taller and the view shows its middle, so everything that matters keeps clear of the top
# and bottom 20 pixels.
width=198
height=390

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Printer motif: a sheet coming out of the body, an output tray, a status light.
cx=$((width / 2))
top=120
"$convert" -size "${width}x${height}" gradient:'#1b3552'-'#3d7f86' \
    -fill 'rgba(255,255,255,0.06)' -draw "circle 30,70 30,170" \
    -fill 'rgba(255,255,255,0.05)' -draw "circle 180,300 180,420" \
    -fill 'rgba(255,255,255,0.04)' -draw "circle 160,40 160,100" \
    -fill '#f4f7f6' -stroke '#c9d6d8' -strokewidth 1 \
        -draw "rectangle $((cx - 30)),$((top)) $((cx + 30)),$((top + 52))" \
    -stroke none -fill '#9fb4bb' \
        -draw "line $((cx - 20)),$((top + 12)) $((cx + 20)),$((top + 12))" \
        -draw "line $((cx - 20)),$((top + 22)) $((cx + 14)),$((top + 22))" \
        -draw "line $((cx - 20)),$((top + 32)) $((cx + 18)),$((top + 32))" \
    -fill '#dfe8ea' -stroke '#0f2236' -strokewidth 2 \
        -draw "roundrectangle $((cx - 54)),$((top + 40)) $((cx + 54)),$((top + 98)) 9,9" \
    -fill '#0f2236' -stroke none \
        -draw "rectangle $((cx - 38)),$((top + 48)) $((cx + 38)),$((top + 53))" \
    -fill '#e8a33c' -draw "circle $((cx + 40)),$((top + 66)) $((cx + 44)),$((top + 66))" \
    -fill '#8fa6ad' -draw "rectangle $((cx - 40)),$((top + 78)) $((cx + 40)),$((top + 84))" \
    -fill '#c4d2d6' -stroke '#0f2236' -strokewidth 2 \
        -draw "polygon $((cx - 42)),$((top + 98)) $((cx + 42)),$((top + 98)) $((cx + 50)),$((top + 112)) $((cx - 50)),$((top + 112))" \
    -stroke none -fill 'rgba(255,255,255,0.35)' \
        -draw "rectangle 30,$((top + 150)) $((width - 30)),$((top + 151))" \
    -fill white -font "$font_bold" -pointsize 26 -gravity north \
        -annotate +0+$((top + 166)) 'Tarnova' \
    -fill '#d6e6e8' -font "$font" -pointsize 12 \
        -annotate +0+$((top + 202)) 'server update' \
    "$work/strip.png"

# 8 bits per pixel with a colour table; no dithering, so the gradient stays calm.
"$convert" "$work/strip.png" +dither -colors 256 -type Palette -compress None \
    "BMP3:$out/Strip.bmp"

# The icon: the same printer on a rounded tile, drawn at 48 px and scaled down.
"$convert" -size 48x48 xc:none \
    -fill '#24506a' -draw "roundrectangle 1,1 46,46 9,9" \
    -fill '#f4f7f6' -draw "rectangle 15,7 33,22" \
    -fill '#9fb4bb' -draw "line 18,12 30,12" -draw "line 18,16 28,16" \
    -fill '#dfe8ea' -stroke '#0f2236' -strokewidth 1.5 \
        -draw "roundrectangle 8,19 40,36 3,3" \
    -stroke none -fill '#0f2236' -draw "rectangle 13,22 35,24" \
    -fill '#e8a33c' -draw "circle 35,29 36.5,29" \
    -fill '#c4d2d6' -stroke '#0f2236' -strokewidth 1.5 \
        -draw "polygon 10,36 38,36 41,41 7,41" \
    "$work/icon48.png"
"$convert" "$work/icon48.png" -resize 32x32 "$work/icon32.png"
"$convert" "$work/icon48.png" -resize 16x16 "$work/icon16.png"
"$convert" "$work/icon16.png" "$work/icon32.png" "$work/icon48.png" "$out/TavUpdateWizard.ico"

echo "make-art: wrote $out/Strip.bmp and $out/TavUpdateWizard.ico"
