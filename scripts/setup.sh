#!/usr/bin/env bash
# One-step set-up on Debian 12: installs the missing Debian packages, builds, then
#   run   - starts the desktop program, sitevigil (without a display it says so and exits 1)
#   test  - runs every test with ctest
#   build - only builds
#   bench - also installs the peers the benchmarks compare with, builds for speed, runs every benchmark
#   package - builds the Debian package (sitevigil_<version>_amd64.deb in the build folder) and checks it
# Environment: BUILD_DIR (default build), SITEVIGIL_ASAN=ON for a sanitizer build.
set -euo pipefail

mode=${1:-run}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  libcurl4-openssl-dev libsqlite3-dev zlib1g-dev libgumbo-dev nlohmann-json3-dev libxml2-dev libpcre2-dev libdbus-1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev openssl tinyproxy python3 python3-aiosmtpd python3-feedparser python3-dbus python3-gi dbus-daemon locales
  qt6-base-dev qt6-webengine-dev qt6-multimedia-dev qt6-svg-dev libqt6svg6-dev xvfb xauth
)
if [ "$mode" = package ]; then
  packages+=(dpkg-dev lintian appstream desktop-file-utils)
fi
if [ "$mode" = bench ]; then
  packages+=(nginx-light urlwatch curl time)
  build_dir=${BUILD_DIR:-$top/build-bench}
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The tests format dates under a German locale to prove that the program's names stay English.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Generating the locale de_DE.UTF-8 for the tests"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || { echo "cannot generate the locale de_DE.UTF-8" >&2; exit 1; }
fi

build_type=RelWithDebInfo
[ "$mode" = bench ] && build_type=Release
cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DSITEVIGIL_ASAN="${SITEVIGIL_ASAN:-OFF}"
cmake --build "$build_dir"

case "$mode" in
  run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display: sitevigil needs a desktop session. Without one, use $build_dir/src/cli/sitevigil-cli" >&2
      exit 1
    fi
    exec "$build_dir/src/ui/sitevigil"
    ;;
  test) ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" ;;
  build) ;;
  package) bash "$top/scripts/package-test.sh" "$build_dir" ;;
  bench)
    for b in "$build_dir"/bench/bench_*; do
      if [ -x "$b" ]; then "$b"; fi
    done
    bash "$top/bench/fetch_bench.sh" "$build_dir"
    bash "$top/bench/run_bench.sh" --cli "$build_dir/src/cli/sitevigil-cli"
    ;;
  *) echo "usage: $0 [run|test|build|bench|package]" >&2; exit 2 ;;
esac
