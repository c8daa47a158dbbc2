# Sourced by every script that installs or starts Wine: whether Wine's
# 32-bit half is used here, decided in this one place by trying.
#
# Some machines run 64-bit Linux programs only (IA-32 emulation off in the
# kernel): every i386 program fails with "Exec format error". wine32:i386
# installs there all the same, and Debian's "wine" launcher then always
# starts its 32-bit loader, which cannot run, so even x86_64 programs fail.
# KST_WINE32=no makes any machine behave as such a one.

kst_wine32_loader=/usr/lib/wine/wine
kst_wine64_loader=/usr/lib/wine/wine64
# Where setup could not install Wine's 32-bit half, it writes down why.
kst_wine32_unavailable=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine32-unavailable

# Runs a 93-byte i386 program that only exits: whether the kernel runs
# 32-bit programs at all, before anything 32-bit is installed.
kst_kernel_runs_i386() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/kst-i386-XXXXXX") || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  local status=$?
  rm -f "$probe"
  return $status
}

# Whether 32-bit programs run here: Wine's own 32-bit loader where it is
# installed, else the probe above. KST_WINE32=no says no.
kst_runs_32_bit() {
  [ "${KST_WINE32:-}" != no ] || return 1
  if [ -e "$kst_wine32_loader" ]; then
    "$kst_wine32_loader" --version >/dev/null 2>&1
  else
    kst_kernel_runs_i386
  fi
}

# Whether Wine runs the i686 build here: its 32-bit half is installed and runs.
kst_wine_runs_32_bit() { [ -e "$kst_wine32_loader" ] && kst_runs_32_bit; }

# Why Wine runs no 32-bit programs here, in a few words.
kst_wine32_reason() {
  if [ "${KST_WINE32:-}" = no ]; then
    echo "Wine's 32-bit half is not used (KST_WINE32=no)"
  elif ! kst_runs_32_bit; then
    echo "this machine runs no 32-bit programs"
  elif [ -f "$kst_wine32_unavailable" ]; then
    cat "$kst_wine32_unavailable"
  else
    echo "Wine's 32-bit half is not installed"
  fi
}

# Where Wine's 32-bit half is not used, "wine" and Debian's "wine-stable"
# (which wineboot, winepath and the other tools start) become the 64-bit
# loader, as Debian's launcher makes them where wine32 is missing. Wine
# starts a 32-bit program through the loader beside the one in WINELOADER
# without its "64"; here that one fails as on a machine that runs no
# 32-bit programs, so that KST_WINE32=no plays such a machine faithfully.
#   kst_use_wine FOLDER     FOLDER holds the small launchers
kst_use_wine() {
  kst_wine_runs_32_bit && return 0
  local folder=$1 name
  mkdir -p "$folder/bin" "$folder/loader"
  ln -sfn "$kst_wine64_loader" "$folder/loader/wine64"
  printf '#!/bin/sh\necho "$0: Exec format error" >&2\nexit 126\n' > "$folder/loader/wine"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec %s "$@"\n' "$folder/loader/wine64" > "$folder/bin/$name"
  done
  chmod +x "$folder/loader/wine" "$folder/bin/wine" "$folder/bin/wine-stable"
  case ":$PATH:" in *":$folder/bin:"*) ;; *) PATH=$folder/bin:$PATH ;; esac
  export PATH WINELOADER=$folder/loader/wine64
}
