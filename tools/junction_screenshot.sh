#!/usr/bin/env bash
# The README's picture of the junction area: a flute's G4 from Debian's
# General MIDI soundfont, opened with the loop its maker set, captured by the
# window test that waits for RINGTIDE_JUNCTION_SAMPLE. Needs the build tree
# (./test or ./run made it), the soundfont, xwd and netpbm; run as root it
# installs the packages that are missing.
#   tools/junction_screenshot.sh [BUILD]     (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
. tools/setup.sh
ensure_packages fluid-soundfont-gm x11-apps netpbm xvfb xauth
sample=corpus/sf2/FluidR3_GM_0224_Flute_G4_L.wav
[ -f "$sample" ] || python3 tools/extract_sf2_corpus.py corpus/sf2 /usr/share/sounds/sf2/FluidR3_GM.sf2
cmake --build "$build" --target ui_tests
RINGTIDE_JUNCTION_SAMPLE=$PWD/$sample GDK_BACKEND=x11 \
  xvfb-run -a -s "-screen 0 1600x1200x24" "$build/tests/ui_tests" --gtest_filter='*JunctionScreenshot*'
cp "$build/screenshots/junction.png" docs/screenshot-junction.png
echo "docs/screenshot-junction.png written"
