#!/usr/bin/env bash
# Builds kestrane.exe and starts it under Wine in a prefix of its own
# (build/demo-prefix), seeded once with a demo store: general thresholds and
# two known batteries. Without a display it runs on a private one with the
# desktop of the tests, IceWM's task bar with the icon docked in its
# notification area, and saves a screenshot of it, taken while the caret is
# off, to build/screenshot.png.
#
# The battery is the machine's own. KST_DEMO_BATTERY shows another, through
# a private power-supply folder as the scenarios have it:
#   KST_DEMO_BATTERY="charging 63" scripts/run.sh
#   (also "discharging 45 8100", "ac 80", "none")
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" x86_64
export WINEPREFIX=$here/build/demo-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$here/scripts/displays.sh"
source "$here/scripts/wine.sh"
kst_use_wine "$here/build/wine64-only"

own_display=
if [ -z "${DISPLAY:-}" ]; then
  start_display
  export DISPLAY=$new_display
  start_desktop "$DISPLAY" "$here/build/demo-icewm"
  own_display=1
  trap 'wineserver -k 2>/dev/null || true; stop_displays' EXIT
fi

# A prefix made before Wine's own fonts were installed keeps the fonts it
# found then: it is made anew.
wine_kind="$(wine --version) $(kst_wine_runs_32_bit && echo with-32-bit) fonts $(dpkg-query -W -f='${Version}' fonts-wine 2>/dev/null)"
if [ "$(cat "$WINEPREFIX/.kst-seeded" 2>/dev/null)" != "$wine_kind" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  "$here/scripts/wine_fonts.sh" "$WINEPREFIX"
  # The 64-bit regedit, as Debian's "wine" would start the 32-bit one.
  "$kst_wine64_loader" regedit /S \
    "$(winepath -w "$here/tests/e2e/stores/demo.reg")" >/dev/null 2>&1
  wineserver -w
  echo "$wine_kind" > "$WINEPREFIX/.kst-seeded"
fi
# A window manager places the windows; on the desktop of the tests Wine
# draws their frames itself, as Windows would, and on the user's own
# display the user's window manager does.
decorated=$([ -n "$own_display" ] && echo N || echo Y)
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d Y /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d $decorated /f >/dev/null 2>&1

# A battery of the demo's own lives in a private mount namespace. No Wine
# process of the prefix may start outside it before the program has: Wine
# would read the machine's battery instead.
demo_battery=${KST_DEMO_BATTERY:-}
if [ -z "$demo_battery" ] && ! grep -qsx Battery /sys/class/power_supply/*/type; then
  echo "run: this machine has no battery; KST_DEMO_BATTERY=\"charging 63\" scripts/run.sh shows one"
fi
wineserver -w
if [ -n "$demo_battery" ]; then
  read -r -a battery_words <<< "$demo_battery"
  unshare -m bash -c 'mount -t tmpfs none /sys/class/power_supply &&
    "$0/scripts/demo_battery.sh" /sys/class/power_supply "${@:1:3}" && shift 3 && exec wine "$@"' \
    "$here" "${battery_words[0]}" "${battery_words[1]:-0}" "${battery_words[2]:-0}" \
    "$here/build/x86_64/kestrane.exe" "$@" &
else
  wine "$here/build/x86_64/kestrane.exe" "$@" &
fi
program=$!
if [ -n "$own_display" ]; then
  # The scenario driver looks at the running program as the tests do and
  # leaves it running.
  shots=$here/build/demo-run
  mkdir -p "$shots"
  cp "$here/build/x86_64/kdriver.exe" "$shots/"
  printf 'attach\nwindow Tkst_mainform\nsleep 1500\ndesktop screenshot.bmp\n' | wine "$shots/kdriver.exe" >/dev/null
  convert "$shots/screenshot.bmp" "$here/build/screenshot.png"
  echo "run: Kestrane runs on the private display $DISPLAY; screenshot in build/screenshot.png; Ctrl+C ends it"
fi
wait $program
