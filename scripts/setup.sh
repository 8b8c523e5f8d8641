#!/usr/bin/env bash
# Installs what building and testing need, on Debian 12, as root. Quick when
# everything is already there: it only calls apt when a package is missing.
set -eu
packages=(
  cmake ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  googletest libbenchmark-dev
  wine wine32:i386 wine64 fonts-wine
  socat xvfb xauth x11-apps imagemagick xdotool
  zip unzip osslsigncode openssl
  chromium poppler-utils fonts-dejavu-core
  clang libclang-rt-14-dev libssl-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
