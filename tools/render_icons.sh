#!/usr/bin/env bash
# Renders the program icon (src/resources/icon.svg) into the hicolor sizes a
# desktop installs (data/icons/). Run after editing the icon; needs librsvg2-bin.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p data/icons/scalable
cp src/resources/icon.svg data/icons/scalable/org.example.ringtide.svg
for s in 16 22 24 32 48 64 128 256; do
  mkdir -p "data/icons/${s}x${s}"
  rsvg-convert -w "$s" -h "$s" src/resources/icon.svg -o "data/icons/${s}x${s}/org.example.ringtide.png"
done
