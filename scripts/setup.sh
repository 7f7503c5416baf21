#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: does nothing (and says nothing) when everything is present.
set -euo pipefail

packages=(
  g++ clang cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libcurl4-openssl-dev libboost-regex-dev libpcre2-dev libsqlite3-dev sqlite3
  libgumbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick fonts-noto-cjk openbox
  nginx-light openssl python3
  desktop-file-utils appstream dpkg-dev file lintian
  libcanberra-dev sound-theme-freedesktop dbus-daemon trayer
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
