#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz/ and runs each over its committed
# corpus in fuzz/corpus/<name>/, then for a bounded number of extra mutations with a fixed seed.
# New inputs go to a temporary folder, never into the committed corpus. A crash, a leak or a
# sanitizer report fails the script and leaves the input in build-fuzz/artifacts/.
#   scripts/run-fuzz-corpus.sh            every target
#   FUZZ_RUNS=20000 scripts/run-fuzz-corpus.sh png bmp
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

runs=${FUZZ_RUNS:-2000}
seed=${FUZZ_SEED:-1}
seconds=${FUZZ_SECONDS:-30}
jobs=${FUZZ_JOBS:-3}

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPXQD_FUZZ=ON -DPXQD_TESTS=OFF -DPXQD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(ls fuzz/corpus)
fi
mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for name in "${targets[@]}"; do
  binary=build-fuzz/fuzz/fuzz_$name
  corpus=fuzz/corpus/$name
  [ -x "$binary" ] || { echo "no fuzz target for $name" >&2; exit 1; }
  scratch=$(mktemp -d)
  echo "fuzz_$name: $(ls "$corpus" | wc -l) corpus files, $runs mutations, seed $seed"
  "$binary" -runs=0 -artifact_prefix=build-fuzz/artifacts/ "$corpus" 2>build-fuzz/fuzz_$name.log ||
    { cat build-fuzz/fuzz_$name.log >&2; rm -rf "$scratch"; exit 1; }
  "$binary" -seed="$seed" -runs="$runs" -max_total_time="$seconds" -max_len=65536 \
    -rss_limit_mb=4096 -malloc_limit_mb=2048 -artifact_prefix=build-fuzz/artifacts/ \
    "$scratch" "$corpus" 2>>build-fuzz/fuzz_$name.log ||
    { tail -n 60 build-fuzz/fuzz_$name.log >&2; rm -rf "$scratch"; exit 1; }
  rm -rf "$scratch"
done
echo "fuzz corpus runs passed"
