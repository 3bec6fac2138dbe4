#!/usr/bin/env bash
# Installs what building and testing Hopplix needs on Debian 12, only where it is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libgcrypt20-dev libgcrypt-mingw-w64-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  libstb-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth xdotool x11-apps x11-utils openbox libxcb1-dev
  nginx-light minisign openssl
  locales
  imagemagick
  fonts-liberation2
  librsvg2-bin desktop-file-utils appstream dpkg-dev
  python3
  g++-mingw-w64-x86-64-posix wine64 wine nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -q
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The number tests read texts under a German and an English locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$' || ! locale -a 2>/dev/null | grep -qi '^en_US\.utf8$'; then
  as_root sed -i -E 's/^# *(de_DE\.UTF-8 UTF-8|en_US\.UTF-8 UTF-8)/\1/' /etc/locale.gen
  as_root locale-gen >/dev/null
fi
