#!/usr/bin/env bash
# Corvana set-up on Debian 12: installs what the build needs, builds, then
#   ./setup.sh run    builds a sample installation and starts the viewer on it
#                     (without a display: reports it and searches it once)
#   ./setup.sh test   runs the test suite
#   ./setup.sh fuzz   builds the fuzz targets with clang in build-fuzz and runs
#                     each for FUZZ_SECONDS (default 10)
# Options through the environment: BUILD_DIR (default build), SAMPLE_DIR
# (default $BUILD_DIR/sample-install), CMAKE_ARGS (extra configure flags).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${BUILD_DIR:-$here/build}"
packages=(build-essential cmake ninja-build pkg-config libsqlite3-dev zlib1g-dev
          libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev fonts-liberation)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build_all() {
  # shellcheck disable=SC2086
  cmake -S "$here" -B "$build" -G Ninja ${CMAKE_ARGS:-}
  cmake --build "$build"
}

case "${1:-}" in
  run)
    install_packages
    build_all
    sample="${SAMPLE_DIR:-$build/sample-install}"
    # Lay the installation out, import the sample acts and their
    # modifications, then report what it holds and search it once.
    "$build/tools/mkinstall" "$here/sample" "$sample" > /dev/null
    "$build/tools/pkgrun/pkgrun" --install-dir "$sample" \
      --modif "$here/sample/acts/modif.txt" --modart "$here/sample/acts/modart.txt" \
      "$here/sample/acts"
    "$build/tools/mkinstall" "$here/sample" "$sample"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "Starting Corvanex on $sample"
      exec "$build/bin/Corvanex" --install-dir "$sample"
    fi
    echo "No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set), so Corvanex"
    echo "was not started. On a desktop, start it on this installation with:"
    echo "  $build/bin/Corvanex --install-dir $sample"
    echo "Meanwhile, the acts whose text holds \"registrul\":"
    "$build/tools/corvana-search/corvana-search" --install-dir "$sample" registrul
    ;;
  test)
    install_packages
    build_all
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
    ;;
  fuzz)
    packages+=(clang libclang-rt-14-dev)
    install_packages
    fuzz_build="${BUILD_DIR:-$here/build-fuzz}"
    # shellcheck disable=SC2086
    cmake -S "$here" -B "$fuzz_build" -G Ninja -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DCORVANA_FUZZ=ON -DCORVANA_BENCH=OFF ${CMAKE_ARGS:-}
    cmake --build "$fuzz_build" --target fuzz
    # Each target starts from its seeds in a corpus of its own, kept in the
    # build directory between runs.
    seeds() {
      case "$1" in
        import_fuzz) echo "$here"/sample/acts/*_*.txt ;;
        modifications_fuzz) echo "$here/sample/acts/modif.txt $here/sample/acts/modart.txt" ;;
        *) [ -d "$here/testing/fuzz_seeds/$1" ] && echo "$here/testing/fuzz_seeds/$1"/* ;;
      esac
    }
    for binary in "$fuzz_build"/fuzz/*_fuzz; do
      target=$(basename "$binary")
      corpus="$fuzz_build/corpus/$target"
      mkdir -p "$corpus"
      # shellcheck disable=SC2046
      [ -n "$(seeds "$target")" ] && cp $(seeds "$target") "$corpus"/
      echo "setup: fuzzing $target for ${FUZZ_SECONDS:-10} s"
      "$binary" -max_total_time="${FUZZ_SECONDS:-10}" -print_final_stats=1 "$corpus"
    done
    ;;
  *)
    echo "usage: $0 run|test|fuzz" >&2
    exit 2
    ;;
esac
