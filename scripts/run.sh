#!/usr/bin/env bash
# Builds kestrane.exe and starts it under Wine in a prefix of its own
# (build/demo-prefix), seeded once with a demo store: general thresholds and
# two known batteries. Without a display it runs on an Xvfb display of its
# own and saves a screenshot to build/screenshot.png.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" x86_64
export WINEPREFIX=$here/build/demo-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

own_display=
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:$((500 + RANDOM % 400))
  Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  own_display=$!
  trap 'kill $own_display 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
  sleep 1
fi

if [ ! -f "$WINEPREFIX/.kst-seeded" ]; then
  wineboot -i >/dev/null 2>&1
  # The 64-bit regedit, as Debian's "wine" would start the 32-bit one.
  "$(command -v /usr/lib/wine/wine64 || command -v wine)" regedit /S \
    "$(winepath -w "$here/tests/e2e/stores/demo.reg")" >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.kst-seeded"
fi
# Wine draws the window frames itself where no window manager runs.
managed=$([ -n "$own_display" ] && echo N || echo Y)
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d $managed /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d $managed /f >/dev/null 2>&1

wine "$here/build/x86_64/kestrane.exe" "$@" &
program=$!
if [ -n "$own_display" ]; then
  sleep 5
  import -window root "$here/build/screenshot.png"
  echo "run: Kestrane runs on the private display $DISPLAY; screenshot in build/screenshot.png; Ctrl+C ends it"
fi
wait $program
