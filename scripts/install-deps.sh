#!/usr/bin/env bash
# Installs every Debian package the project needs to build and test.
# Idempotent: when everything is present it does nothing (not even apt-get update).
# Uses sudo only when not already root.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config
  mingw-w64 mingw-w64-tools binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  googletest libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  clang libclang-rt-14-dev
  wine wine64 xvfb xdotool x11-apps x11-utils imagemagick
  liblnk-utils zip unzip time python3
)
# The shipped program is 32-bit; running it needs 32-bit wine under qemu user emulation.
I386_PACKAGES=(wine32:i386 qemu-user-static)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${PACKAGES[@]}" "${I386_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
