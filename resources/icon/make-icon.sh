#!/usr/bin/env bash
# Draws the program icon (resource "A") and writes Quorvel.ico beside this
# script: a blue tile with a grey old node, an arrow and a white new node, the
# move from the old server address to the new host that the program makes.
# Shapes only, no fonts, so every run gives the same picture.
# Needs ImageMagick 6 (convert). The .ico is committed; run this again only
# when the picture changes.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 256x256 xc:none \
  -fill '#1d4f86' -stroke '#0e2f55' -strokewidth 8 \
  -draw 'roundrectangle 12,12 243,243 44,44' \
  -fill '#f2a33a' -stroke none \
  -draw 'rectangle 96,112 142,144' \
  -draw 'polygon 138,84 184,128 138,172' \
  -fill '#9fb3c8' -stroke '#0e2f55' -strokewidth 6 \
  -draw 'circle 62,128 62,166' \
  -fill '#ffffff' \
  -draw 'circle 204,128 204,164' \
  "$work/a256.png"

for size in 48 32 24 16; do
  convert "$work/a256.png" -filter Lanczos -resize ${size}x${size} \
    -define png:exclude-chunks=date,time "$work/a$size.png"
done
# Smallest first; 32-bit colour with alpha in each entry.
convert "$work/a16.png" "$work/a24.png" "$work/a32.png" "$work/a48.png" Quorvel.ico
