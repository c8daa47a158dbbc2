#!/usr/bin/env bash
# Measures Kestrane and prints a Markdown table: start-up, exit and memory
# under Wine against an empty window with and without a notification-area
# icon (bench/startup_bench.cpp: same prefix, same run, programs taking
# turns, medians with quartiles), the native costs of a status update, a Get
# Values and a save for all batteries with ten barcodes (Google Benchmark),
# the instructions of one status update (callgrind), and the sizes of both
# stripped executables. KST_BENCH_STARTS sets the starts per program (12).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" >/dev/null
for target in bench x86_64 i686; do "$here/scripts/build.sh" $target >/dev/null; done
work=$here/build/bench-run
rm -rf "$work" && mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

source "$here/scripts/displays.sh"
source "$here/scripts/wine.sh"
kst_use_wine "$here/build/wine64-only"
start_display
export DISPLAY=$new_display WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null; stop_displays' EXIT
wineboot -i >/dev/null 2>&1
"$here/scripts/wine_fonts.sh" "$WINEPREFIX"
# Without a window manager Wine draws the frames itself; otherwise every
# window hidden after being shown waits 2 s for a window manager's answer.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# The demonstration store: the first showing loads thresholds and barcodes.
# The 64-bit regedit, as Debian's "wine" would start the 32-bit one.
"$kst_wine64_loader" regedit /S "$(winepath -w "$here/tests/e2e/stores/demo.reg")" \
  >/dev/null 2>&1
wineserver -w
# One wineserver for the whole run, warm before the first start.
wineserver -p
wine cmd /c exit >/dev/null 2>&1
for program in kestrane kestrane-cli empty_window empty_tray empty_tray_controls6 empty_console startup_bench; do
  cp "$here/build/x86_64/$program.exe" "$work/"
done
gui_programs=(--gui Kestrane "$(winepath -w "$work/kestrane.exe")"
  --gui "empty window" "$(winepath -w "$work/empty_window.exe")"
  --gui "empty window with a tray icon" "$(winepath -w "$work/empty_tray.exe")"
  --gui "the same with common controls 6" "$(winepath -w "$work/empty_tray_controls6.exe")")
console_programs=(--console "kestrane-cli get" "\"$(winepath -w "$work/kestrane-cli.exe")\" get"
  --console "empty console program" "\"$(winepath -w "$work/empty_console.exe")\"")

# Once, with Wine's event channel on: no window may wait for a window manager.
WINEDEBUG=fixme+event wine "$work/startup_bench.exe" --starts 1 "${gui_programs[@]}" > /dev/null 2> "$work/events.log"
if grep -q wait_for_withdrawn_state "$work/events.log"; then
  echo "bench: Wine waited for a window manager; the figures would measure that wait" >&2
  exit 1
fi
wine "$work/startup_bench.exe" --starts "${KST_BENCH_STARTS:-12}" "${gui_programs[@]}" "${console_programs[@]}" |
  tr -d '\r' > "$work/wine.txt"

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

# The Wine rows: each program's median with its quartiles, and the ratio
# of Kestrane's median to the empty window's with a tray icon.
wine_rows() {
  python3 - "$work/wine.txt" <<'PY'
import sys
figures = {}
for line in open(sys.argv[1]):
    *name, measure, median, low, high = line.split()
    figures[(" ".join(name), measure)] = (float(median), float(low), float(high))
programs = ["Kestrane", "empty window", "empty window with a tray icon", "the same with common controls 6"]
rows = [("start-up until the message loop waits", "start_ms", "ms"),
        ("exit after WM_CLOSE", "exit_ms", "ms"),
        ("working set half a second after start-up", "working_set_kib", "KiB"),
        ("committed private memory then", "private_kib", "KiB"),
        ("starts that did not end within 15 s of WM_CLOSE", "failures", "")]
for title, measure, unit in rows:
    cells = []
    for program in programs:
        median, low, high = figures[(program, measure)]
        if measure == "failures":
            cells.append("%d" % median)
        elif measure.endswith("_ms"):
            cells.append("%.1f %s (%.1f to %.1f)" % (median, unit, low, high))
        else:
            cells.append("%d %s (%d to %d)" % (median, unit, low, high))
    base = figures[("empty window with a tray icon", measure)][0]
    ratio = "%.2f" % (figures[(programs[0], measure)][0] / base) if base and measure != "failures" else ""
    print("| %s | %s | %s |" % (title, " | ".join(cells), ratio))
cli, empty = figures[("kestrane-cli get", "run_ms")], figures[("empty console program", "run_ms")]
print("| kestrane-cli get, from start to end | %.1f ms (%.1f to %.1f) | empty console program: %.1f ms (%.1f to %.1f) | | | %.2f |"
      % (cli + empty + (cli[0] / empty[0],)))
PY
}

cat <<TABLE
| Measure ($(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version), ${KST_BENCH_STARTS:-12} starts each; median (quartiles)) | Kestrane | empty window | empty window with a tray icon | the same with common controls 6 | Kestrane against the empty window with a tray icon |
|---|---|---|---|---|---|
$(wine_rows)
| one status update (native, sim store) | $(per StatusUpdate) | | | | |
| one Get Values (native, sim store) | $(per GetValues) | | | | |
| one save for all batteries, 10 barcodes (native, sim store) | $(per SaveAllBatteriesTenBarcodes) | | | | |
| instructions of one status update (callgrind) | $(( (many - one) / 1000 )) | | | | |
| kestrane.exe stripped, x86_64 / i686 | $(stripped x86_64) KiB / $(stripped i686) KiB | | | | |
TABLE
