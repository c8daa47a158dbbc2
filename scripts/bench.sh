#!/usr/bin/env bash
# Measures Kestrane and prints a Markdown table: start-up and memory under
# Wine against a program that only shows an empty window (same prefix, same
# run, ten starts each, medians), the native costs of a status update, a Get
# Values and a save for all batteries with ten barcodes (Google Benchmark),
# the instructions of one status update (callgrind), and the sizes of both
# stripped executables.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" >/dev/null
for target in bench x86_64 i686; do "$here/scripts/build.sh" $target >/dev/null; done
work=$here/build/bench-run
rm -rf "$work" && mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

display=:$((500 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT
sleep 1
wineboot -i >/dev/null 2>&1
# The demonstration store: the first showing loads thresholds and barcodes.
wine regedit /S "$(winepath -w "$here/tests/e2e/stores/demo.reg")" >/dev/null 2>&1
cp "$here/build/x86_64/kestrane.exe" "$here/build/x86_64/empty_window.exe" "$here/build/x86_64/startup_bench.exe" "$work/"
read -r _ k_ms k_ws k_priv < <(wine "$work/startup_bench.exe" "$(winepath -w "$work/kestrane.exe")" | tr -d '\r')
read -r _ e_ms e_ws e_priv < <(wine "$work/startup_bench.exe" "$(winepath -w "$work/empty_window.exe")" | tr -d '\r')

bench_json=$work/native.json
"$here/build/bench/kst_bench" --benchmark_format=json --benchmark_min_time=0.5 > "$bench_json"
per() { python3 -c "import json,sys; b={x['name']:x for x in json.load(open('$bench_json'))['benchmarks']}; x=b['$1']; print('%.1f %s' % (x['real_time'], x['time_unit']))"; }

instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.$1" "$here/build/bench/kst_bench" --status-updates "$1" 2>&1 |
    sed -nE 's/.*Collected : ([0-9]+).*/\1/p'
}
one=$(instructions 1)
many=$(instructions 1001)

stripped() {
  cp "$here/build/$1/kestrane.exe" "$work/kestrane-$1.exe"
  "$1-w64-mingw32-strip" "$work/kestrane-$1.exe"
  echo $(( $(stat -c %s "$work/kestrane-$1.exe") / 1024 ))
}

ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
cat <<TABLE
| Measure ($(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version)) | Kestrane | empty window | ratio |
|---|---|---|---|
| start-up under Wine, median of 10 | ${k_ms} ms | ${e_ms} ms | $(ratio "$k_ms" "$e_ms") |
| working set after start-up | ${k_ws} KiB | ${e_ws} KiB | $(ratio "$k_ws" "$e_ws") |
| committed private memory after start-up | ${k_priv} KiB | ${e_priv} KiB | $(ratio "$k_priv" "$e_priv") |
| one status update (native, sim store) | $(per StatusUpdate) | | |
| one Get Values (native, sim store) | $(per GetValues) | | |
| one save for all batteries, 10 barcodes (native, sim store) | $(per SaveAllBatteriesTenBarcodes) | | |
| instructions of one status update (callgrind) | $(( (many - one) / 1000 )) | | |
| kestrane.exe stripped, x86_64 / i686 | $(stripped x86_64) KiB / $(stripped i686) KiB | | |
TABLE
