#!/usr/bin/env bash
# Installs everything the builds, the program and the tests need, from Debian's
# packages, and builds libjpeg-turbo for MinGW from Debian's source package.
# Safe to run again: every step checks first whether it is already done.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
deps="$here/build/deps"

packages=(
  cmake g++ make ninja-build pkg-config git python3 python3-yaml
  googletest libgtest-dev libjpeg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 fonts-wine xvfb icewm xdotool imagemagick dpkg-dev clang clang-format libclang-rt-14-dev libbenchmark-dev valgrind
  zip unzip openssl osslsigncode ca-certificates
)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
apt_install() { sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
first_error() { grep -m 1 -E '^(E|W): ' "$1" || tail -n 1 "$1"; }
apt_log=$(mktemp "${TMPDIR:-/tmp}/kst-setup-XXXXXX")
trap 'rm -f "$apt_log"' EXIT

# apt-get update, tried again with a pause before it counts as failed: a
# mirror in the middle of a sync serves indexes of the wrong size for a
# while. Every index must come ("Error-Mode any"): by default apt only warns
# about a source it cannot reach and goes on without it. apt's messages are
# left in $apt_log.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    sudo_if_needed apt-get update -qq -o APT::Update::Error-Mode=any >"$apt_log" 2>&1 && return 0
    [ "$attempt" -eq 3 ] || sleep $((attempt * 10))
  done
  return 1
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # An index that failed (one architecture's, say) need not keep the others'
  # packages away: the install below says whether they came.
  apt_update || echo "setup: apt-get update failed, installing from the package lists at hand: $(first_error "$apt_log")"
  if ! apt_install "${missing[@]}" 2>"$apt_log"; then
    not_installed=()
    for p in "${missing[@]}"; do installed "$p" || not_installed+=("$p"); done
    echo "setup: could not install ${not_installed[*]:-${missing[*]}}:" >&2
    sed 's/^/  /' "$apt_log" >&2
    exit 1
  fi
fi

# Wine runs the i686 build only with its 32-bit half, from i386 multiarch,
# and only where this machine runs 32-bit programs at all: elsewhere the
# half would install but not run, and Debian's "wine" would then fail for
# x86_64 programs too. There it is not installed, or taken away again.
# The half is optional: where its index or its packages cannot be had, the
# machine is left as it was, and the reason is kept for the test command.
source "$here/scripts/wine.sh"
mkdir -p "$here/build"
rm -f "$kst_wine32_unavailable"

i386_packages() { dpkg-query -W -f='${binary:Package} ${Status}\n' 2>/dev/null | awk '/:i386 .*installed$/ {print $1}'; }

# Takes the i386 architecture away again with whatever was installed from
# it. Only where nothing of it was installed before: then setup added it,
# now or in an earlier run, and nothing else uses it.
take_back_i386() {
  local leftovers
  mapfile -t leftovers < <(i386_packages)
  if [ ${#leftovers[@]} -gt 0 ]; then
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${leftovers[@]}" >/dev/null 2>&1
  fi
  sudo_if_needed dpkg --remove-architecture i386
}

install_wine32() {
  installed wine32:i386 && return
  echo "setup: installing wine32:i386"
  local had_i386_packages
  had_i386_packages=$(i386_packages | head -n 1)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_if_needed dpkg --add-architecture i386
  fi
  apt_update && apt_install wine32:i386 2>"$apt_log" && return
  local reason
  reason=$(first_error "$apt_log")
  if [ -z "$had_i386_packages" ]; then
    take_back_i386
    echo "setup: Wine's 32-bit half could not be had, the i386 architecture is removed again: $reason"
  else
    echo "setup: Wine's 32-bit half could not be had: $reason"
  fi
  echo "Wine's 32-bit half could not be installed ($reason)" > "$kst_wine32_unavailable"
}

remove_wine32() {
  installed wine32:i386 || return 0
  echo "setup: this machine runs no 32-bit programs: removing wine32:i386 again"
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 >/dev/null
}

if [ "${KST_WINE32:-}" = no ]; then
  echo "setup: KST_WINE32=no: Wine's 32-bit half is not used"
elif kst_runs_32_bit; then
  install_wine32
  kst_wine_runs_32_bit || remove_wine32
else
  remove_wine32
fi

# Debian's apt sources carry no deb-src entry by default; derive one from the
# machine's own deb822 sources so that apt-get source finds libjpeg-turbo.
ensure_deb_src() {
  if apt-get source --print-uris libjpeg-turbo >/dev/null 2>&1; then return; fi
  local src=/etc/apt/sources.list.d/kestrane-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      sudo_if_needed tee "$src" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      sudo_if_needed tee /etc/apt/sources.list.d/kestrane-src.list >/dev/null
  fi
  apt_update || echo "setup: apt-get update failed, looking for the sources all the same: $(first_error "$apt_log")"
}

# libjpeg-turbo stamps its build date into the library unless it is given
# one; a fixed one keeps every build of Kestrane the same bytes.
libjpeg_recipe="-DWITH_SIMD=OFF -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DBUILD=kestrane"

build_libjpeg() {
  local triplet=$1 prefix="$deps/libjpeg-$1"
  [ -f "$prefix/lib/libjpeg.a" ] && [ "$(cat "$prefix/.kst-recipe" 2>/dev/null)" = "$libjpeg_recipe" ] && return
  ensure_deb_src
  local work="$deps/src"
  mkdir -p "$work"
  if ! ls -d "$work"/libjpeg-turbo-*/ >/dev/null 2>&1; then
    if ! (cd "$work" && apt-get source -qq libjpeg-turbo >/dev/null 2>"$apt_log"); then
      echo "setup: could not fetch the sources of libjpeg-turbo:" >&2
      sed 's/^/  /' "$apt_log" >&2
      exit 1
    fi
  fi
  local source
  source=$(ls -d "$work"/libjpeg-turbo-*/ | head -n 1)
  echo "setup: building libjpeg-turbo for $triplet"
  rm -rf "$deps/build-libjpeg-$triplet" "$prefix"
  # shellcheck disable=SC2086
  cmake -S "$source" -B "$deps/build-libjpeg-$triplet" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$triplet.cmake" \
    -DCMAKE_BUILD_TYPE=Release $libjpeg_recipe -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$deps/build-libjpeg-$triplet" --target install >/dev/null
  echo "$libjpeg_recipe" > "$prefix/.kst-recipe"
}

build_libjpeg x86_64-w64-mingw32
build_libjpeg i686-w64-mingw32

# The workflow for Windows runners is checked here with a linter from the
# npm registry, at a version of our choosing. Node.js comes from Debian
# where the machine has none.
action_validator_version=0.6.0
ensure_action_validator() {
  local tools=$here/build/tools
  [ "$(cat "$tools/.kst-action-validator" 2>/dev/null)" = "$action_validator_version" ] && return
  if ! command -v npm >/dev/null; then
    echo "setup: installing nodejs npm"
    apt_install nodejs npm 2>"$apt_log" || { echo "setup: could not install nodejs npm:" >&2; sed 's/^/  /' "$apt_log" >&2; exit 1; }
  fi
  echo "setup: installing action-validator $action_validator_version"
  mkdir -p "$tools"
  npm install --prefix "$tools" --no-audit --no-fund --silent "@action-validator/cli@$action_validator_version" &&
    echo "$action_validator_version" > "$tools/.kst-action-validator"
}
ensure_action_validator
echo "setup: ready"
