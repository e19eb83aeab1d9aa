# Shared by ./run and ./test: installs the Debian packages that are missing and
# configures/builds a CMake tree. Sourced, not executed.

RUN_PACKAGES="g++ cmake ninja-build pkg-config libwxgtk3.2-dev portaudio19-dev"
TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev libsndfile1-dev libsoxr-dev xvfb xauth desktop-file-utils appstream dpkg-dev file jackd2 libjack-jackd2-dev"

missing_packages() {
  local pkg missing=""
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing="$missing $pkg"
    fi
  done
  echo "$missing"
}

ensure_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Ringtide needs these Debian packages, which are not installed:" >&2
    echo "  sudo apt-get install -y --no-install-recommends$missing" >&2
    exit 1
  fi
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
}

# configure_build DIR [cmake args...]
# Configures every time (quick once the cache exists), so that ./run and
# ./test may share a tree: each sets the options it needs. With BUILD_TARGETS
# set (e.g. "core_tests"), only those targets are built.
configure_build() {
  local dir=$1; shift
  local generator=() targets=()
  [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
  # shellcheck disable=SC2206
  [ -n "${BUILD_TARGETS:-}" ] && targets=(--target $BUILD_TARGETS)
  cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > /dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
