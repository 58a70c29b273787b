#!/usr/bin/env bash
# Installs everything the build and the three test tiers need on a fresh Debian 12.
# Safe to run again: packages already present are skipped by apt, and the
# binfmt entry for 32-bit Wine is registered only when it is missing.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "setup.sh: run as root (apt-get, binfmt_misc)" >&2; exit 1; fi; }

PKGS=(
  cmake make g++ libgtest-dev python3 locales
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  mingw-w64-i686-dev mingw-w64-x86-64-dev
  wine wine64 xvfb xdotool imagemagick x11-utils strace
  qemu-user
)
PKGS_I386=(wine32:i386)

missing=()
for p in "${PKGS[@]}" "${PKGS_I386[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  need_root
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A Polish locale, so that Wine runs with ANSI code page 1250.
if ! locale -a 2>/dev/null | grep -qi '^pl_PL.utf8$'; then
  need_root
  localedef -i pl_PL -f UTF-8 pl_PL.UTF-8
fi

echo "setup: packages ready"
