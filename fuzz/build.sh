#!/usr/bin/env bash
# Builds the libFuzzer harness of the zip reader with clang (not part of CI):
#   bash fuzz/build.sh            builds build/fuzz/zip_fuzzer
#   bash fuzz/build.sh run 600    builds, then fuzzes for 600 seconds
# The platform library comes from a plain release build (build/fuzz/deps); the zip reader and
# the harness are compiled by clang with the fuzzer's coverage and AddressSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/fuzz"
mkdir -p "$out"
cmake -S "$root" -B "$out/deps" -DCMAKE_BUILD_TYPE=Release -DNUX_TESTS=OFF > "$out/deps.log"
cmake --build "$out/deps" -j"$(nproc)" --target nuxplatform >> "$out/deps.log"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -D_UNICODE -DUNICODE \
  -I"$root/platform" -I"$root/engine" \
  "$root"/engine/zip/*.cpp "$root/fuzz/zip_fuzzer.cpp" \
  -L"$out/deps/platform" -lnuxplatform -lz -Wl,-rpath,"$out/deps/platform" \
  -o "$out/zip_fuzzer"
echo "built $out/zip_fuzzer"
if [[ "${1:-}" == "run" ]]; then
  seconds="${2:-600}"
  mkdir -p "$out/corpus"
  cp "$root"/tests/zip/fixtures/*.zip "$root"/tests/resfile/fixtures/*.nux "$out/corpus/" 2>/dev/null || true
  cd "$out"
  ./zip_fuzzer -max_total_time="$seconds" -dict="$root/fuzz/zip.dict" -print_final_stats=1 corpus
fi
