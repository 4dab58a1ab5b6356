#!/usr/bin/env bash
# Installs what the build and the tests need (when missing), then configures
# and builds. Safe to run again.
# Usage: scripts/setup.sh [build-dir] [cmake args...]
#        scripts/setup.sh --packages-only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
packages_only=false
if [ "${1:-}" = --packages-only ]; then
  packages_only=true
  shift
fi
build=${1:-$root/build}
shift || true

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev clang-format
  libboinc-app-dev
  libx11-dev libxtst-dev libgl-dev libglu1-mesa-dev freeglut3-dev libjpeg-dev
  libgtest-dev
  xvfb xauth x11-utils libgl1-mesa-dri
  openbox metacity icewm fvwm pekwm weston xwayland
  boinc-client boinc-screensaver
  imagemagick fonts-dejavu-core locales
  debootstrap qemu-user patchelf binutils
  libfontconfig-dev libfreetype-dev libfribidi-dev
  libpng-dev libbrotli-dev libexpat1-dev libbz2-dev zlib1g-dev
  # HarfBuzz's headers and library for the tests' reference rendering only:
  # the companion opens libharfbuzz.so.0 at run time and never links it.
  libharfbuzz-dev
  # The scripts the status line's tests draw: CJK, Devanagari (DejaVu Sans
  # has Latin, Greek, Cyrillic, Arabic and Hebrew).
  fonts-wqy-microhei fonts-lohit-deva
  gettext
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # The client package starts a system service that the tests do not want.
  if command -v systemctl >/dev/null && systemctl is-active --quiet boinc-client 2>/dev/null; then
    $sudo_cmd systemctl stop boinc-client || true
  fi
fi

# The locale with a decimal comma that the tests of locale-independent
# formats use, and in which the companion's German run speaks.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  $sudo_cmd sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  $sudo_cmd locale-gen >/dev/null
fi

$packages_only && exit 0
cmake -S "$root" -B "$build" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
