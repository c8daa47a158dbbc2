#!/usr/bin/env bash
# Writes the power-supply folder that Wine reads its battery from:
#   demo_battery.sh FOLDER none | charging P | ac P | discharging P [SECONDS]
# FOLDER is a tmpfs mounted over /sys/class/power_supply in a private mount
# namespace, as the scenario driver's "battery" step makes it.
set -euo pipefail
folder=$1 state=${2:-none} percent=${3:-0} seconds=${4:-0}
case $state in
  none | charging | ac | discharging) ;;
  *) echo "demo battery: none, charging P, ac P or discharging P [SECONDS], not \"$state\"" >&2; exit 2 ;;
esac
mkdir -p "$folder/AC"
printf 'Mains\n' > "$folder/AC/type"
printf '%s\n' "$([ "$state" = discharging ] && echo 0 || echo 1)" > "$folder/AC/online"
[ "$state" = none ] && exit 0
full=5000000 now=$((5000000 * percent / 100))
current=$([ "$seconds" -gt 0 ] && echo $((now * 3600 / seconds)) || echo 0)
status=$(case $state in charging) echo Charging ;; ac) echo "Not charging" ;; *) echo Discharging ;; esac)
mkdir -p "$folder/BAT0"
printf 'Battery\n' > "$folder/BAT0/type"
printf '1\n' > "$folder/BAT0/present"
printf '%s\n' "$status" > "$folder/BAT0/status"
for file in charge_full charge_full_design; do printf '%s\n' $full > "$folder/BAT0/$file"; done
printf '%s\n' $now > "$folder/BAT0/charge_now"
printf '%s\n' "$current" > "$folder/BAT0/current_now"
printf '11000000\n' > "$folder/BAT0/voltage_now"
