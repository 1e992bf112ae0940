#!/usr/bin/env bash
# Set-up, build, run and test Vorpex on Debian 12.
#   ./dev.sh run [ARGS]   install what is missing, build build/vorpex, start it
#   ./dev.sh test         install what is missing, build, run every test (also under the
#                         sanitizers and the fuzzers, and check the Debian package); exits
#                         non-zero when any test fails
#   ./dev.sh check        build and run the unit tests only (about a minute once built; the
#                         daily loop: no sanitizers, fuzzers or package check)
#   ./dev.sh package      install what is missing, build, make build/vorpex_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=$(nproc)
# Object files are cached by paths relative to the checkout, so a second clone reuses them.
export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1

PACKAGES=(build-essential cmake ninja-build pkg-config ccache libgmp-dev libmpfr-dev
  libisal-dev libgtest-dev libgmock-dev libbenchmark-dev libedit-dev qt6-base-dev
  libgl-dev libx11-dev qt6-translations-l10n libqt6svg6 imagemagick fonts-ipafont-gothic clang
  clang-format libclang-rt-dev zlib1g-dev libssl-dev libxxhash-dev lintian xvfb xauth xdotool desktop-file-utils appstream)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# build DIR [cmake options...]: configures when the folder is new or its options changed,
# then only builds what changed (all targets, or those named in TARGETS).
build() {
  local dir=$1; shift
  local options="$*"
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/.dev-options" 2>/dev/null)" != "$options" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
    printf '%s' "$options" > "$dir/.dev-options"
  fi
  # shellcheck disable=SC2086
  cmake --build "$dir" -j "$JOBS" ${TARGETS:+--target $TARGETS}
}

cmd=${1:-}
shift || true
case "$cmd" in
  run)
    install_missing
    build build
    exec build/vorpex "$@"
    ;;
  test)
    install_missing
    export QT_QPA_PLATFORM=offscreen
    echo "== formatting (.clang-format)"
    find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
      xargs -0 clang-format --dry-run -Werror
    build build
    echo "== tests"
    ctest --test-dir build --output-on-failure -j "$JOBS"
    echo "== Debian package"
    (cd build && cpack -G DEB > /dev/null)
    tools/check_package.sh build
    echo "== engine tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    build build-asan -DVORPEX_SANITIZE=ON -DVORPEX_WITH_QT=OFF -DVORPEX_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure -j "$JOBS"
    echo "== concurrency tests under ThreadSanitizer"
    build build-tsan -DVORPEX_TSAN=ON -DVORPEX_WITH_QT=OFF -DVORPEX_BENCH=OFF
    TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build-tsan --output-on-failure -j "$JOBS" \
      -L threads
    if [ -f tests/fuzz/CMakeLists.txt ]; then
      echo "== fuzzers"
      TARGETS=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//' | tr '\n' ' ') \
        build build-fuzz -DVORPEX_FUZZ=ON -DVORPEX_WITH_QT=OFF -DVORPEX_BENCH=OFF \
        -DVORPEX_TESTS=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
      for f in build-fuzz/tests/fuzz/fuzz_*; do
        [ -x "$f" ] || continue
        name=$(basename "$f")
        corpus=$(mktemp -d)
        [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$corpus/"
        "$f" -max_total_time="${VORPEX_FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=4096 \
          "$corpus" 2>&1 | tail -n 3
        rm -rf "$corpus"
      done
    fi
    echo "== all tests passed"
    ;;
  check)
    export QT_QPA_PLATFORM=offscreen
    build build
    ctest --test-dir build --output-on-failure -j "$JOBS" "$@"
    ;;
  package)
    install_missing
    build build
    (cd build && cpack -G DEB)
    ;;
  *)
    sed -n 2,10p "$0"
    exit 2
    ;;
esac
