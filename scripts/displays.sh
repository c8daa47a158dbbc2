# Sourced by the scripts that run Kestrane under Wine: private X displays,
# and the desktop that the tests and the demo share.
#
# Xvfb numbers each display itself (-displayfd), so no other run on the
# machine ever shares one. Every process started here is remembered in
# kst_display_pids; stop_displays ends them.

kst_display_pids=()

# Starts an Xvfb display and sets new_display to its name, such as ":3".
# Its screen is a laptop's 1280 by 800 pixels, or as many more as a scale
# of PIXELS_PER_INCH needs to show as much.
#   start_display [PIXELS_PER_INCH]
start_display() {
  local number scale=${1:-96}
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$((1280 * scale / 96))x$((800 * scale / 96))x24" -nolisten tcp 3>"$number" \
    >/dev/null 2>&1 &
  kst_display_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    sleep 0.1
  done
  new_display=:$(head -n 1 "$number")
  rm -f "$number"
  [ "$new_display" != : ] || { echo "Xvfb did not start" >&2; return 1; }
}

# The desktop on a display: IceWM with its task bar and notification area,
# which docks Wine's tray icons (XEMBED), on a plain background as a
# classic Windows desktop has it. IceWM keeps its preferences in the
# folder given; ICEWM_PRIVCFG must name it for a panel started again later.
# A screen of more pixels per inch than 96 gets a notification-area slot
# that fits Wine's docking window there, as the 20 pixels of the
# preferences fit it at 96.
#   start_desktop DISPLAY FOLDER [PIXELS_PER_INCH]
start_desktop() {
  mkdir -p "$2"
  cp "$(dirname "${BASH_SOURCE[0]}")/../tests/wine/icewm-preferences" "$2/preferences"
  if [ -n "${3:-}" ]; then
    local slot=$(((16 * $3 + 48) / 96 + 4))
    printf 'TrayIconMaxWidth=%s\nTrayIconMaxHeight=%s\n' "$slot" "$slot" >> "$2/preferences"
  fi
  DISPLAY=$1 ICEWM_PRIVCFG=$2 icewm >/dev/null 2>&1 &
  kst_display_pids+=($!)
  DISPLAY=$1 icewmbg --color=rgb:3A/6E/A5 --image= >/dev/null 2>&1 &
  kst_display_pids+=($!)
  # The panel is up once its notification area is.
  for _ in $(seq 100); do
    DISPLAY=$1 xdotool search --name '^SystemTray$' >/dev/null 2>&1 && break
    sleep 0.1
  done
}

stop_displays() {
  [ ${#kst_display_pids[@]} -eq 0 ] || kill "${kst_display_pids[@]}" 2>/dev/null
  return 0
}
