#!/usr/bin/env bash
# Measures Kestrane and prints Markdown tables:
#   start-up   start-up, exit and memory under Wine against an empty window
#              with and without a notification-area icon
#              (bench/startup_bench.cpp: same prefix, same run, programs
#              taking turns, medians with quartiles)
#   idle       the processor time Kestrane takes over a minute while nobody
#              uses it, discharging and charging, active and with another
#              window active, against an empty window that samples the power
#              status once a second (charging: the same whose icons change
#              every 1.5 s, as the charging animation's do; in front and
#              discharging also the same with a focused text field, whose
#              caret blinks as the field Kestrane opens with does); medians
#              of a few runs
#   native     the native costs of a status update, a Get Values and a save
#              for all batteries with ten barcodes (Google Benchmark), the
#              instructions of one status update (callgrind), and the sizes
#              of both stripped executables
# Without arguments, all three:
#   scripts/bench.sh [start-up] [idle] [native]
# KST_BENCH_STARTS sets the starts per program (12), KST_BENCH_IDLE_RUNS the
# runs of the idle table (3) and KST_BENCH_IDLE_SECONDS their length (60).
# KST_BENCH_COMPARE=FILE measures another kestrane.exe beside this build in
# the same runs, such as the build before a change: a column of its own, and
# this build's figures against it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(start-up idle native)
wants() { [[ " ${parts[*]} " == *" $1 "* ]]; }
for part in "${parts[@]}"; do
  case $part in
    start-up | idle | native) ;;
    *) echo "bench: start-up, idle or native, not \"$part\"" >&2; exit 2 ;;
  esac
done
compare=${KST_BENCH_COMPARE:-}
if [ -n "$compare" ] && [ ! -f "$compare" ]; then
  echo "bench: KST_BENCH_COMPARE names no file: $compare" >&2
  exit 2
fi
"$here/scripts/setup.sh" >/dev/null
targets=(x86_64)
! wants native || targets+=(bench i686)
for target in "${targets[@]}"; do "$here/scripts/build.sh" "$target" >/dev/null; done
work=$here/build/bench-run
rm -rf "$work" && mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

source "$here/scripts/displays.sh"
source "$here/scripts/wine.sh"
kst_use_wine "$here/build/wine64-only"
start_display
export DISPLAY=$new_display WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null || true; stop_displays' EXIT
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
for program in kestrane kestrane-cli empty_window empty_tray empty_tray_controls6 empty_console sampling_window \
  sampling_window_animated sampling_window_field startup_bench; do
  cp "$here/build/x86_64/$program.exe" "$work/"
done
[ -z "$compare" ] || cp "$compare" "$work/compared.exe"

start_up_table() {
  # One wineserver for the whole run, warm before the first start.
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1
  local gui_programs=(--gui Kestrane "$(winepath -w "$work/kestrane.exe")")
  [ -z "$compare" ] || gui_programs+=(--gui "compared build" "$(winepath -w "$work/compared.exe")")
  gui_programs+=(--gui "empty window" "$(winepath -w "$work/empty_window.exe")"
    --gui "empty window with a tray icon" "$(winepath -w "$work/empty_tray.exe")"
    --gui "the same with common controls 6" "$(winepath -w "$work/empty_tray_controls6.exe")")
  local console_programs=(--console "kestrane-cli get" "\"$(winepath -w "$work/kestrane-cli.exe")\" get"
    --console "empty console program" "\"$(winepath -w "$work/empty_console.exe")\"")

  # Once, with Wine's event channel on: no window may wait for a window manager.
  WINEDEBUG=fixme+event wine "$work/startup_bench.exe" --starts 1 "${gui_programs[@]}" > /dev/null 2> "$work/events.log"
  if grep -q wait_for_withdrawn_state "$work/events.log"; then
    echo "bench: Wine waited for a window manager; the figures would measure that wait" >&2
    exit 1
  fi
  wine "$work/startup_bench.exe" --starts "${KST_BENCH_STARTS:-12}" "${gui_programs[@]}" "${console_programs[@]}" |
    tr -d '\r' > "$work/wine.txt"
  wineserver -k
  wineserver -w
  # Each program's median with its quartiles, and the ratio of Kestrane's
  # median to the empty window's with a tray icon (and to the compared
  # build's).
  python3 - "$work/wine.txt" "$compare" <<'PY'
import sys
figures = {}
for line in open(sys.argv[1]):
    *name, measure, median, low, high = line.split()
    figures[(" ".join(name), measure)] = (float(median), float(low), float(high))
compared = bool(sys.argv[2])
programs = ["Kestrane"] + (["compared build"] if compared else []) + [
    "empty window", "empty window with a tray icon", "the same with common controls 6"]
header = ["Measure"] + [p if p != "compared build" else "the compared build" for p in programs]
header.append("Kestrane against the empty window with a tray icon")
if compared:
    header.append("Kestrane against the compared build")
print("| " + " | ".join(header) + " |")
print("|" + "---|" * len(header))
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
    for base_program in ["empty window with a tray icon"] + (["compared build"] if compared else []):
        base = figures[(base_program, measure)][0]
        ok = base and measure != "failures"
        cells.append("%.2f" % (figures[("Kestrane", measure)][0] / base) if ok else "")
    print("| %s | %s |" % (title, " | ".join(cells)))
cli, empty = figures[("kestrane-cli get", "run_ms")], figures[("empty console program", "run_ms")]
cells = ["%.1f ms (%.1f to %.1f)" % cli] + ([""] if compared else [])
cells += ["empty console program: %.1f ms (%.1f to %.1f)" % empty, "", "", "%.2f" % (cli[0] / empty[0])]
cells += [""] if compared else []
print("| kestrane-cli get, from start to end | %s |" % " | ".join(cells))
PY
}

# The idle table. The programs run one at a time in a mount namespace of
# their own, whose power-supply folder gives Wine the battery the row needs
# (as the scenarios do): the wineserver starts there too, or Wine would read
# the machine's battery. Each program is left alone for 5 s after it started,
# then the processor time of its process (user and kernel, in clock ticks
# of 10 ms, from /proc) and of the wineserver, which serves its requests, is
# read before and after the measured time. In the rows "another window
# active", an empty window opened after the program keeps it inactive, as a
# resident program mostly is: a focused edit field's caret blinks only in
# the active window.
idle_table() {
  local programs=(kestrane)
  [ -z "$compare" ] || programs+=(compared)
  WORK=$work SECONDS_MEASURED=${KST_BENCH_IDLE_SECONDS:-60} RUNS=${KST_BENCH_IDLE_RUNS:-3} HERE=$here \
    unshare -m bash -s "${programs[@]}" > "$work/idle.txt" <<'INNER'
set -euo pipefail
mount -t tmpfs none /sys/class/power_supply
wineserver -p
wine rundll32.exe user32.dll,GetDesktopWindow
ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
# The prefix's wineserver runs in a folder named after the prefix's device and inode.
folder=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server=
for candidate in $(pgrep '^wineserver'); do
  [ "$(basename "$(readlink "/proc/$candidate/cwd")")" != "$folder" ] || server=$candidate
done
[ -n "$server" ] || { echo "bench: the prefix's wineserver was not found" >&2; exit 1; }
end_program() {
  wine taskkill /im "$1.exe" >/dev/null 2>&1 || true
  for _ in $(seq 150); do kill -0 "$2" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$2" 2>/dev/null; then
    echo "bench: $1 did not end within 15 s" >&2
    kill "$2"
  fi
  wait "$2" 2>/dev/null || true
}
# measure STATE PLACE PROGRAM: one line "STATE PLACE PROGRAM PROCESS_TICKS SERVER_TICKS".
measure() {
  rm -rf /sys/class/power_supply/*
  case $1 in
    discharging) "$HERE/scripts/demo_battery.sh" /sys/class/power_supply discharging 45 8100 ;;
    charging) "$HERE/scripts/demo_battery.sh" /sys/class/power_supply charging 63 ;;
  esac
  wine "$WORK/$3.exe" & local program=$! cover=
  sleep 2
  if [ "$2" = inactive ]; then
    wine "$WORK/empty_window.exe" & cover=$!
  fi
  sleep 3
  local before server_before
  before=$(ticks "$program")
  server_before=$(ticks "$server")
  sleep "$SECONDS_MEASURED"
  echo "$1 $2 $3 $(($(ticks "$program") - before)) $(($(ticks "$server") - server_before))"
  end_program "$3" "$program"
  [ -z "$cover" ] || end_program empty_window "$cover"
}
for run in $(seq "$RUNS"); do
  for row in "discharging sampling_window" "charging sampling_window_animated"; do
    read -r state yardstick <<< "$row"
    for place in front inactive; do
      turn=("$@" "$yardstick")
      # The caret of the field that has the focus blinks only in front.
      [ "$state $place" != "discharging front" ] || turn+=(sampling_window_field)
      if [ $((run % 2)) = 0 ]; then
        reversed=()
        for ((i = ${#turn[@]} - 1; i >= 0; i--)); do reversed+=("${turn[i]}"); done
        turn=("${reversed[@]}")
      fi
      for program in "${turn[@]}"; do measure "$state" "$place" "$program"; done
    done
  done
done
wineserver -k
INNER
  python3 - "$work/idle.txt" "$compare" "${KST_BENCH_IDLE_SECONDS:-60}" <<'PY'
import statistics, sys
samples = {}
for line in open(sys.argv[1]):
    state, place, program, process, server = line.split()
    samples.setdefault((state, place, program), []).append((int(process) * 10, int(server) * 10))
compared, seconds = bool(sys.argv[2]), sys.argv[3]
def cell(values):
    median = statistics.median(v[0] for v in values)
    server = statistics.median(v[1] for v in values)
    return median, "%d ms (%d to %d; wineserver %d ms)" % (median, min(v[0] for v in values), max(v[0] for v in values), server)
header = ["Processor time over %s s" % seconds, "Kestrane"] + (["the compared build"] if compared else []) + [
    "yardstick", "Kestrane against the yardstick"] + (["Kestrane against the compared build"] if compared else [])
print("| " + " | ".join(header) + " |")
print("|" + "---|" * len(header))
yardsticks = {"discharging": ("sampling_window", "empty window sampling the power"),
              "charging": ("sampling_window_animated", "the same, its icons changing every 1.5 s")}
places = {"front": "in front and active", "inactive": "another window active"}
for state in ["discharging", "charging"]:
    for place in ["front", "inactive"]:
        kestrane, kestrane_cell = cell(samples[(state, place, "kestrane")])
        cells = [kestrane_cell]
        if compared:
            other, other_cell = cell(samples[(state, place, "compared")])
            cells.append(other_cell)
        program, name = yardsticks[state]
        base, base_cell = cell(samples[(state, place, program)])
        cells += ["%s: %s" % (name, base_cell), "%.1f" % (kestrane / base) if base else ""]
        if compared:
            cells.append("%.2f" % (kestrane / other) if other else "")
        print("| %s, %s | %s |" % (state, places[place], " | ".join(cells)))
        if (state, place) == ("discharging", "front"):
            base, base_cell = cell(samples[(state, place, "sampling_window_field")])
            cells = [kestrane_cell] + ([""] if compared else []) + [
                "the same with a focused text field: " + base_cell, "%.1f" % (kestrane / base) if base else ""]
            print("| %s, %s, a caret blinking in both | %s |" % (
                state, places[place], " | ".join(cells + ([""] if compared else []))))
PY
}

native_rows() {
  local bench_json=$work/native.json
  "$here/build/bench/kst_bench" --benchmark_format=json --benchmark_min_time=0.5 > "$bench_json"
  per() {
    python3 -c "import json,sys; b={x['name']:x for x in json.load(open('$bench_json'))['benchmarks']}; x=b['$1']; print('%.1f %s' % (x['real_time'], x['time_unit']))"
  }
  instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.$1" "$here/build/bench/kst_bench" --status-updates "$1" 2>&1 |
      sed -nE 's/.*Collected : ([0-9]+).*/\1/p'
  }
  stripped() {
    cp "$here/build/$1/kestrane.exe" "$work/kestrane-$1.exe"
    "$1-w64-mingw32-strip" "$work/kestrane-$1.exe"
    echo $(($(stat -c %s "$work/kestrane-$1.exe") / 1024))
  }
  local one many
  one=$(instructions 1)
  many=$(instructions 1001)
  cat <<TABLE
| Measure | Kestrane |
|---|---|
| one status update (native, sim store) | $(per StatusUpdate) |
| one Get Values (native, sim store) | $(per GetValues) |
| one save for all batteries, 10 barcodes (native, sim store) | $(per SaveAllBatteriesTenBarcodes) |
| instructions of one status update (callgrind) | $(((many - one) / 1000)) |
| kestrane.exe stripped, x86_64 / i686 | $(stripped x86_64) KiB / $(stripped i686) KiB |
TABLE
}

echo "$(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version)"
if wants start-up; then
  echo
  echo "Start-up, ${KST_BENCH_STARTS:-12} starts each, median (quartiles):"
  echo
  start_up_table
fi
if wants idle; then
  echo
  echo "Idle, ${KST_BENCH_IDLE_RUNS:-3} runs, median (lowest to highest):"
  echo
  idle_table
fi
if wants native; then
  echo
  native_rows
fi
