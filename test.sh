#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test; then builds and runs
# the tests again under AddressSanitizer and UndefinedBehaviorSanitizer; a short soak run
# (scripts/soak.sh, with four headless clients) follows the first build.
# Exits non-zero when anything fails.
#   ./test.sh            everything
#   PXQD_NO_SANITIZE=1 ./test.sh   skip the sanitizer pass
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"

scripts/install-deps.sh

jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
  # Paths are hashed relative to the checkout, so a fresh clone elsewhere reuses what an earlier
  # build compiled (the sanitizer build carries debug information, whose folder is not hashed).
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  ccache --max-size=5G >/dev/null 2>&1 || true
fi

build_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --no-tests=error
}

build_and_test build -DCMAKE_BUILD_TYPE=Release
# A short long run: fifty hands of the computer players' table, then four headless clients play
# a few hands at the server's table with its faults on and its restart halfway, their clocks 20
# times as fast; crashes, hangs and tables that differ from the server's fail it.
rm -rf build/soak
scripts/soak.sh --hands 50 --client-hands 4 --clock-scale 20 --seed 20 --no-build --build build --out build/soak
if [ -z "${PXQD_NO_SANITIZE:-}" ]; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DPXQD_SANITIZE=ON -DPXQD_BENCH=OFF
fi
[ -x scripts/run-fuzz-corpus.sh ] && scripts/run-fuzz-corpus.sh
echo "all tests passed"
