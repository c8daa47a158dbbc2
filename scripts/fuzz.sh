#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (60 by default), keeping its corpus in build/fuzz/corpus.
# A crash leaves its input in build/fuzz/artifacts; make it a regression test.
# Prints "fuzz: N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
"$here/scripts/setup.sh" >/dev/null || exit 1
"$here/scripts/build.sh" fuzz || { echo "fuzz: 0 passed, 1 failed"; exit 1; }
passed=0
failed=0
mkdir -p "$here/build/fuzz/artifacts"
for target in fuzz_registry_paths fuzz_barcodes fuzz_power_status; do
  corpus=$here/build/fuzz/corpus/$target
  mkdir -p "$corpus"
  if "$here/build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$here/build/fuzz/artifacts/$target-" "$corpus" > "$here/build/fuzz/$target.log" 2>&1; then
    passed=$((passed + 1))
    echo "[fuzz] PASS $target ($(grep -m1 -oE 'stat::number_of_executed_units: *[0-9]+' "$here/build/fuzz/$target.log" | grep -oE '[0-9]+$') runs)"
  else
    failed=$((failed + 1))
    echo "[fuzz] FAIL $target"
    tail -n 30 "$here/build/fuzz/$target.log" | sed 's/^/    /'
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
