#!/usr/bin/env bash
# The Win32 side under Wine: the Windows test binary (registry cases against
# Wine's registry, the long run over the real windows), then every scenario
# against the real kestrane.exe, each in a private prefix and a private mount
# namespace for the battery. The x86_64 build runs everything; the i686 build
# runs the registry cases and every scenario where Wine can run 32-bit
# programs; where it cannot, they are counted as skipped. Prints
# "wine: N passed, M failed, K skipped".
#
#   tests/wine/run.sh                  both architectures
#   KST_ARCHS=x86_64 tests/wine/run.sh one of them
#   KST_SCENARIOS="tests/e2e/a.scn" tests/wine/run.sh   a few scenarios
#   KST_SCENARIOS_ONLY=1 tests/wine/run.sh             no test binary
#   KST_ALL_ON_DESKTOP=1 tests/wine/run.sh             every scenario on the desktop
#   KST_SIGNED_PROGRAM=FILE tests/wine/run.sh          also start a signed kestrane.exe
# A scenario with a line "# windows only: WHY" needs what Wine does not do
# as Windows does: it is not run here, and counted as skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
# The version the programs carry, as the about box and the command line show it.
version=$(sed -nE 's/^project\(kestrane VERSION ([0-9.]+).*/\1/p' "$here/CMakeLists.txt")
wine_root=$here/build/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
passed=0
failed=0
skipped=0
source "$here/scripts/wine.sh"
kst_use_wine "$wine_root/wine64-only"

# X displays of our own, so that the tests never touch the user's and no
# other run shares them: a bare one, and the desktop, with IceWM's task bar
# and notification area, which docks Wine's tray icons (XEMBED).
source "$here/scripts/displays.sh"
trap stop_displays EXIT
start_display || exit 1
export DISPLAY=$new_display
start_display || exit 1
desktop_display=$new_display
start_desktop "$desktop_display" "$wine_root/icewm"

# Debian's "wine" starts a builtin program such as regedit in its 32-bit
# form, which files HKLM\SOFTWARE\Wow6432Node\... under a second
# Wow6432Node; the 64-bit loader starts the 64-bit regedit.
regedit64=$kst_wine64_loader

# Template prefixes are made anew whenever the Wine installation changed
# (a new version, its 32-bit half or its fonts added), so that no copy of
# one has to update itself. Arguments after the folder go to wineboot's
# environment.
wine_kind="$(wine --version 2>/dev/null) $(kst_wine_runs_32_bit && echo with-32-bit) fonts $(dpkg-query -W -f='${Version}' fonts-wine 2>/dev/null)"
make_template() {
  local folder=$1
  shift
  [ "$(cat "$folder/.kst-ready" 2>/dev/null)" = "$wine_kind" ] && return
  rm -rf "$folder"
  mkdir -p "$wine_root"
  env WINEPREFIX="$folder" "$@" wineboot -i >/dev/null 2>&1
  "$here/scripts/wine_fonts.sh" "$folder"
  # Without a window manager Wine draws the window frames itself.
  WINEPREFIX=$folder wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  WINEPREFIX=$folder wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  WINEPREFIX=$folder wineserver -w
  echo "$wine_kind" > "$folder/.kst-ready"
}
template=$wine_root/template-prefix-$(kst_wine_runs_32_bit && echo wow64 || echo win64)
make_template "$template"
# A 32-bit prefix plays 32-bit Windows: one registry view, no Wow6432Node.
template32=$wine_root/template-prefix-win32
if kst_wine_runs_32_bit; then make_template "$template32" WINEARCH=win32; fi

#   fresh_prefix NAME [TEMPLATE]
fresh_prefix() {
  local prefix=$work/prefix-$1
  rm -rf "$prefix"
  cp -a "${2:-$template}" "$prefix"
  echo "$prefix"
}

report() {
  if [ "$2" -eq 0 ]; then
    passed=$((passed + 1))
    echo "[wine $arch] PASS $1"
  else
    failed=$((failed + 1))
    echo "[wine $arch] FAIL $1"
  fi
}

# The Windows GoogleTest binary in a fresh copy of a template prefix, at
# the screen's pixels per inch where one is given; only the lines of
# finished tests count.
#   run_test_binary FILTER [TEMPLATE] [PIXELS_PER_INCH]
run_test_binary() {
  local filter=$1 prefix log=$work/tests.log
  prefix=$(fresh_prefix tests "${2:-$template}")
  if [ -n "${3:-}" ]; then
    # Read when the prefix's wineserver starts.
    WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$3" /f >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
  fi
  WINEPREFIX=$prefix wine "$build/kst_win32_tests.exe" --gtest_color=no --gtest_filter="$filter" 2>&1 |
    tr -d "\r" > "$log"
  local status=${PIPESTATUS[0]} ok bad
  # One pattern for each result, for showing and counting alike.
  local finished=' .* [(][0-9]+ ms[)]$'
  local ok_line="^[[] +OK []]$finished" failed_line="^[[]  FAILED  []]$finished"
  local skipped_line="^[[]  SKIPPED []]$finished"
  grep -E "$ok_line|$failed_line|$skipped_line" "$log" | sed "s/^/[wine $arch] /"
  # A failed test is shown with what it printed, as a failing scenario is.
  awk -v failed="$failed_line" '/^\[ RUN      \]/ { block = "" } { block = block "    " $0 "\n" }
    $0 ~ failed { printf "%s", block }' "$log"
  ok=$(grep -cE "$ok_line" "$log")
  bad=$(grep -cE "$failed_line" "$log")
  passed=$((passed + ok))
  failed=$((failed + bad))
  skipped=$((skipped + $(grep -cE "$skipped_line" "$log")))
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then report "kst_win32_tests (exit $status)" 1; fi
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  rm -rf "$prefix"
}

# Seeds a store into a prefix as if it had been saved long before Windows
# started: regedit imports it, and with the prefix's wineserver gone, the
# time Wine keeps of each of the power manager's keys (seconds since 1970
# after the key's name, and its FILETIME in the "#time=" line below) is set
# back to the start of 2020. Wine's time since start is the machine's.
#   seed_before_start PREFIX FILE.reg
seed_before_start() {
  local prefix=$1 file
  file="Z:${here//\//\\}\\tests\\e2e\\stores\\$2"
  WINEPREFIX=$prefix "$regedit64" regedit /S "$file" >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w
  local seconds=1577836800 filetime=1d5c03669050000
  sed -i -E "/^\[.*Lenovo\\\\\\\\PWRMGRV.*\] [0-9]+\$/{s/\] [0-9]+\$/] $seconds/;n;s/^#time=[0-9a-f]+\$/#time=$filetime/}" \
    "$prefix/system.reg" "$prefix/user.reg"
}

#   run_scenario FILE [WHAT THE REPORT CALLS IT]
run_scenario() {
  local scenario=$1 name prefix stores log status
  name=$(basename "$scenario" .scn)
  prefix=$(fresh_prefix "$name")
  # A scenario marked "# desktop" runs on the desktop: a window manager
  # with a task bar and a notification area, and a prefix whose windows it manages.
  local display=$DISPLAY desktop=
  if [ -n "${KST_ALL_ON_DESKTOP:-}" ] || grep -qx '# desktop' "$scenario"; then
    display=$desktop_display
    desktop=1
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d Y /f >/dev/null 2>&1
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
  fi
  # A line "# saved before Windows started: FILE.reg" seeds that store so.
  local long_ago
  long_ago=$(sed -nE 's/^# saved before Windows started: *(.*)/\1/p' "$scenario")
  [ -z "$long_ago" ] || seed_before_start "$prefix" "$long_ago"
  # A line "# pixels per inch: N" gives the screen that scale, read when
  # the prefix's wineserver starts; on the desktop, a desktop of its own
  # whose notification area fits the icon at that scale.
  local pixels_per_inch icewm=$wine_root/icewm
  pixels_per_inch=$(sed -nE 's/^# pixels per inch: *([0-9]+).*/\1/p' "$scenario")
  if [ -n "$pixels_per_inch" ]; then
    WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$pixels_per_inch" /f \
      >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    # A screen that shows as much at that scale as a laptop's at 100 %.
    start_display "$pixels_per_inch" || return 1
    display=$new_display
    if [ -n "$desktop" ]; then
      icewm=$work/icewm-$name
      start_desktop "$display" "$icewm" "$pixels_per_inch"
    fi
  fi
  # Wine's Z: drive is the root folder. No Wine process may start outside
  # the namespace: a wineserver started there would run the scenario's
  # processes outside it, on the real power supply. The prefix's desktop is
  # started and waited for before the driver, so that the driver never
  # races it: a Wine process that asks for the screen before the desktop
  # has published its display sees Wine's default 1024 by 768 one.
  stores="Z:${here//\//\\}\\tests\\e2e\\stores"
  log=$work/$name.log
  sed -e "s#\$STORES#${stores//\\/\\\\}#g" -e "s#\$VERSION#$version#g" "$scenario" |
    DISPLAY=$display KST_DESKTOP=$desktop ICEWM_PRIVCFG=$icewm WINEPREFIX=$prefix unshare -m bash -c \
      'mount -t tmpfs none /sys/class/power_supply && wine rundll32.exe user32.dll,GetDesktopWindow &&
        exec wine "$0/kdriver.exe"' "$work" > "$log" 2>&1
  status=${PIPESTATUS[1]}
  if [ "$status" -ne 0 ]; then
    sed 's/^/    /' "$log"
    convert "$work/failure.bmp" "$work/$name-failure.png" 2>/dev/null && echo "    screenshot: $work/$name-failure.png"
  fi
  rm -f "$work/failure.bmp"
  for shot in "$work"/*.bmp; do
    [ -f "$shot" ] || continue
    # Without the time of its making, a picture that did not change keeps its bytes.
    convert "$shot" -define png:exclude-chunks=date,time "$work/screenshots/$(basename "$shot" .bmp).png" &&
      rm -f "$shot"
  done
  report "${2:-scenario $name}" "$status"
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  rm -rf "$prefix"
}

# The command line's export, imported with regedit into a fresh prefix,
# gives the same key sets: an export there writes the same file again.
run_export_round_trip() {
  local from to store="Z:${here//\//\\}\\tests\\e2e\\stores\\three_batteries.reg"
  from=$(fresh_prefix export-from)
  to=$(fresh_prefix export-to)
  WINEPREFIX=$from "$regedit64" regedit /S "$store" >/dev/null 2>&1
  WINEPREFIX=$from wine "$work/kestrane-cli.exe" export > "$work/exported.reg" 2>"$work/export.log"
  WINEPREFIX=$to "$regedit64" regedit /S "Z:${work//\//\\}\\exported.reg" >/dev/null 2>&1
  WINEPREFIX=$to wine "$work/kestrane-cli.exe" export > "$work/reimported.reg" 2>>"$work/export.log"
  local status=0
  grep -q 'ConfKeys\\Data\\2BB2222BBBB\]' "$work/exported.reg" && grep -q '"ChargeStopPercentage"=dword:' "$work/exported.reg" ||
    status=1
  cmp -s "$work/exported.reg" "$work/reimported.reg" || status=1
  if [ "$status" -ne 0 ]; then
    echo "    the export and the export after importing it differ:"
    diff "$work/exported.reg" "$work/reimported.reg" | sed 's/^/    /'
    sed 's/^/    /' "$work/export.log"
  fi
  report "command line export imported into a fresh prefix" "$status"
  WINEPREFIX=$from wineserver -k 2>/dev/null
  WINEPREFIX=$to wineserver -k 2>/dev/null
  rm -rf "$from" "$to"
}

# The signed release's kestrane.exe starts and shows its first window as
# the unsigned one does.
run_signed_program() {
  local unsigned=$work
  work=$wine_root/signed
  rm -rf "$work" && mkdir -p "$work/screenshots"
  cp "$KST_SIGNED_PROGRAM" "$work/kestrane.exe"
  cp "$unsigned/kestrane-cli.exe" "$unsigned/kdriver.exe" "$work/"
  run_scenario "$here/tests/e2e/first_start.scn" "the signed release's kestrane.exe: scenario first_start"
  work=$unsigned
}

# The i686 build's share of the tests, named as the x86_64 test binary
# lists them (the same sources), and its scenarios.
i686_filter='RegistryAccess.*:Win32Backend.*:TrayNotifications.*:MainIcon.*'
i686_only_filter='ThirtyTwoBitWindows.*'
high_scale_filter='HighScale.*'
count_i686_tests() {
  local scenario count=0 prefix
  for scenario in "${scenarios[@]}"; do
    grep -qE '^# only: *x86_64' "$scenario" || count=$((count + 1))
  done
  if [ -z "${KST_SCENARIOS_ONLY:-}" ]; then
    prefix=$(work=$wine_root fresh_prefix list)
    count=$((count + $(WINEPREFIX=$prefix wine "$here/build/x86_64/kst_win32_tests.exe" --gtest_list_tests \
      --gtest_filter="$i686_filter:$i686_only_filter" 2>/dev/null | tr -d '\r' | grep -c '^  ')))
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    rm -rf "$prefix"
  fi
  echo "$count"
}

# KST_SCENARIOS may name a few scenario files to run alone.
if [ -n "${KST_SCENARIOS:-}" ]; then
  read -r -a scenarios <<< "$KST_SCENARIOS"
else
  scenarios=("$here"/tests/e2e/*.scn)
fi

for arch in ${KST_ARCHS:-x86_64 i686}; do
  build=$here/build/$arch
  work=$wine_root/$arch
  if [ "$arch" = i686 ] && ! kst_wine_runs_32_bit; then
    not_run=$(count_i686_tests)
    skipped=$((skipped + not_run))
    echo "[wine i686] SKIPPED: $(kst_wine32_reason): $not_run tests of the i686 build not run"
    continue
  fi
  mkdir -p "$work/screenshots"
  # The driver plays the user and the power manager: always the 64-bit one,
  # so that it sees the registry as the power manager's service does.
  cp "$build/kestrane.exe" "$build/kestrane-cli.exe" "$here/build/x86_64/kdriver.exe" \
    "$here/tests/wine/restart_panel.sh" "$here/tests/wine/tray_icon_place.sh" "$work/"
  if [ -z "${KST_SCENARIOS_ONLY:-}" ]; then
    # A 32-bit program cannot read the machine keys back under Wine 8 (see
    # the README), so the round trip runs on x86_64.
    if [ "$arch" = x86_64 ]; then run_export_round_trip; fi
    if [ "$arch" = x86_64 ]; then
      run_test_binary "*-$i686_only_filter:$high_scale_filter"
      run_test_binary "$high_scale_filter" "$template" 144
    else
      run_test_binary "$i686_filter"
      run_test_binary "$i686_only_filter" "$template32"
    fi
  fi
  for scenario in "${scenarios[@]}"; do
    # A line "# only: ARCH" keeps a scenario to one architecture.
    only=$(sed -nE 's/^# only: *([a-z0-9_]+).*/\1/p' "$scenario")
    if [ -n "$only" ] && [ "$only" != "$arch" ]; then continue; fi
    why=$(sed -nE 's/^# windows only: *(.*)/\1/p' "$scenario")
    if [ -n "$why" ]; then
      skipped=$((skipped + 1))
      echo "[wine $arch] SKIPPED scenario $(basename "$scenario" .scn): $why"
      continue
    fi
    run_scenario "$scenario"
  done
  if [ "$arch" = x86_64 ] && [ -n "${KST_SIGNED_PROGRAM:-}" ]; then run_signed_program; fi
done

echo "wine: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
