#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent; run as root on Debian 12. Installs nothing when all is there.
#
#   install-deps.sh          everything: native, sanitizer, fuzz, Windows and Wine
#   install-deps.sh linux    only what the Linux programs need to build (the web
#                            bridge's Boost among them); the browser test of the
#                            bridge needs chromium, which only the full set brings
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  dpkg-dev file
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libasio-dev libssl-dev
  libboost1.81-dev
)
windows=0
if [ "${1:-all}" != "linux" ]; then
  windows=1
  packages+=(
    clang libclang-rt-14-dev
    mingw-w64 mingw-w64-tools
    wine wine64 wine32:i386 libwine-dev locales
    chromium
  )
fi

# Wine runs the 32-bit Windows build; its 32-bit half comes from i386.
need_i386=0
if [ "$windows" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then need_i386=1; fi

# The Wine tests need the Korean ANSI code page (949), which Wine derives
# from LC_ALL=ko_KR.UTF-8; that locale must exist.
have_ko_locale() { [ "$windows" -eq 0 ] || locale -a 2>/dev/null | grep -qix 'ko_KR\.utf-\?8'; }

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ] && [ "$need_i386" -eq 0 ] && have_ko_locale; then
  echo "install-deps: all ${#packages[@]} packages present, ko_KR.UTF-8 locale present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}), i386 or the ko_KR.UTF-8 locale; run this script as root" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ "$need_i386" -eq 1 ]; then
  echo "install-deps: adding the i386 architecture"
  dpkg --add-architecture i386
fi
if [ ${#missing[@]} -ne 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
if ! have_ko_locale; then
  echo "install-deps: generating the ko_KR.UTF-8 locale"
  sed -i 's/^# *\(ko_KR\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ko_KR\.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi
