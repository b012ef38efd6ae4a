#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (not part of CI): the zip reader's and one for each
# picture decoder family (bmp: bitmaps and run-length bitmaps, gif, jpeg, png, icon: icons,
# cursors and animated cursors).
#   bash fuzz/build.sh                    builds build/fuzz/zip_fuzzer and build/fuzz/<family>_fuzzer
#   bash fuzz/build.sh run 600            builds, then fuzzes each harness for 600 seconds
#   bash fuzz/build.sh run 600 gif png    only those harnesses
# Runs go FUZZ_JOBS at a time (3 by default), each within a memory limit of 512 MB; a
# harness's log is build/fuzz/<name>.log, its findings land in build/fuzz/findings-<name>/.
# The platform and engine libraries come from a plain release build (build/fuzz/deps); the
# code under test and the harness are compiled by clang with the fuzzer's coverage,
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/fuzz"
mkdir -p "$out"
cmake -S "$root" -B "$out/deps" -DCMAKE_BUILD_TYPE=Release -DNUX_TESTS=OFF > "$out/deps.log"
cmake --build "$out/deps" -j"${JOBS:-$(nproc)}" --target nuxplatform nuxengine >> "$out/deps.log"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -D_UNICODE -DUNICODE
  -I"$root/platform" -I"$root/engine")
libs=(-L"$out/deps/platform" -lnuxplatform -Wl,-rpath,"$out/deps/platform")

clang++ "${flags[@]}" "$root"/engine/zip/*.cpp "$root/fuzz/zip_fuzzer.cpp" "${libs[@]}" -lz -o "$out/zip_fuzzer"
echo "built $out/zip_fuzzer"

families=(bmp gif jpeg png icon)
# The decoders are compiled into each picture harness, so that the fuzzer sees their branches.
picture_sources=("$root/platform/gdi/image.cpp" "$root/platform/gdi/dib.cpp" "$root/platform/ui/cursor.cpp"
  "$root/engine/Dib.cpp")
for i in "${!families[@]}"; do
  f="${families[$i]}"
  clang++ "${flags[@]}" -DPICTURE_FAMILY=$((i + 1)) "${picture_sources[@]}" "$root/fuzz/picture_fuzzer.cpp" \
    "$out/deps/engine/libnuxengine.a" "${libs[@]}" -ljpeg -lpng -lgif -lz -o "$out/${f}_fuzzer"
  echo "built $out/${f}_fuzzer"
done

# Seeds: the zip fixtures, and small pictures of each family made here.
seed() {
  mkdir -p "$out/corpus-zip"
  cp "$root"/tests/zip/fixtures/*.zip "$root"/tests/resfile/fixtures/*.nux "$out/corpus-zip/" 2>/dev/null || true
  for f in "${families[@]}"; do mkdir -p "$out/corpus-$f"; done
  python3 "$root/fuzz/seeds.py" "$out" || echo "seeds: some pictures could not be made" >&2
}

if [[ "${1:-}" == "run" ]]; then
  seconds="${2:-600}"
  shift $(( $# >= 2 ? 2 : $# ))
  names=("$@")
  [[ ${#names[@]} -eq 0 ]] && names=(zip "${families[@]}")
  seed
  jobs_max="${FUZZ_JOBS:-3}"
  # A smaller quarantine than the sanitizer's default keeps freed pictures from filling the
  # memory limit; use-after-free is still caught for recently freed blocks.
  export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
  cd "$out"
  for n in "${names[@]}"; do
    while [[ $(jobs -rp | wc -l) -ge $jobs_max ]]; do wait -n || true; done
    mkdir -p "findings-$n"
    dict=()
    [[ -f "$root/fuzz/$n.dict" ]] && dict=(-dict="$root/fuzz/$n.dict")
    echo "fuzzing $n for $seconds s (log $out/$n.log)"
    ./"${n}_fuzzer" -max_total_time="$seconds" -rss_limit_mb=512 -malloc_limit_mb=512 -max_len=16384 \
      ${dict[@]+"${dict[@]}"} -print_final_stats=1 -artifact_prefix="findings-$n/" "corpus-$n" > "$n.log" 2>&1 &
  done
  status=0
  for p in $(jobs -p); do wait "$p" || status=1; done
  for n in "${names[@]}"; do
    echo "== $n: $(grep -E '^stat::number_of_executed_units' "$n.log" | awk '{print $2}') runs, $(ls "findings-$n" | wc -l) findings"
  done
  exit $status
fi
