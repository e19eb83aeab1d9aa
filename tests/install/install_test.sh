#!/usr/bin/env bash
# Installs the build tree into a scratch root, validates the desktop entry and
# the AppStream metainfo, builds the Debian package and starts what it holds.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# 1. cmake --install: every file a desktop expects, where it expects it.
DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr > /dev/null
root="$scratch/root/usr"
id=org.example.ringtide
for f in bin/ringtide bin/ringtide-cli \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/doc/ringtide/manual/index.html; do
  [ -e "$root/$f" ] || fail "cmake --install did not install $f"
done
for s in 16 22 24 32 48 64 128 256; do
  png="$root/share/icons/hicolor/${s}x${s}/apps/$id.png"
  [ -e "$png" ] || fail "no ${s}x${s} icon"
  # The PNG header holds the width and height as big-endian words at 16 and 20.
  size=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$size" = "${s}x${s}" ] || fail "the ${s}x${s} icon is $size"
done
grep -q '^Exec=ringtide %f$' "$root/share/applications/$id.desktop" || fail "Exec does not take a file"

# 2. The validators of the desktop's own tools.
desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# 3. The Debian package: dependencies computed from the binaries.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log 2>&1) || { cat "$scratch/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$scratch"/ringtide_*_amd64.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libwxgtk3.2-1 libportaudio2 libc6 libstdc++6; do
  case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends";; esac
done
contents=$(dpkg-deb -c "$deb")
grep -q "./usr/bin/ringtide$" <<< "$contents" || fail "the package holds no /usr/bin/ringtide"
# Every dependency can be had from the machine's package sources.
apt-get install --simulate --no-install-recommends "$deb" > "$scratch/apt.log" 2>&1 \
  || { cat "$scratch/apt.log"; fail "the package's dependencies cannot be installed"; }

# 4. What the package holds starts: the tool answers, the window stays up.
dpkg-deb -x "$deb" "$scratch/pkg"
help=$("$scratch/pkg/usr/bin/ringtide-cli" --help)
grep -q "ringtide-cli" <<< "$help" || fail "packaged ringtide-cli --help"
if [ -n "${DISPLAY:-}" ]; then
  set +e
  JACK_NO_START_SERVER=1 timeout 3 "$scratch/pkg/usr/bin/ringtide" > "$scratch/run.log" 2>&1
  rc=$?
  set -e
  [ "$rc" = 124 ] || { cat "$scratch/run.log"; fail "the packaged ringtide ended with status $rc within 3 s"; }
else
  echo "no display: the packaged window program was not started"
fi
echo "install, desktop entry, metainfo and package: all good"
