#!/usr/bin/env bash
# Builds the named trees: native (Linux, headless, tests), x86_64 (Windows,
# for the Wine tests), i686 (Windows, the shipped exe). Default: all three.
set -euo pipefail
cd "$(dirname "$0")/.."
for arch in "${@:-native x86_64 i686}"; do
  for a in $arch; do
    case "$a" in
        native) dir=build/native; extra=(-DCMAKE_BUILD_TYPE=Debug) ;;
        x86_64) dir=build/x64; extra=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake) ;;
        i686) dir=build/i686; extra=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake) ;;
        *) echo "build.sh: unknown tree $a" >&2; exit 2 ;;
    esac
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "${extra[@]}" >/dev/null
    cmake --build "$dir" -j "$(nproc)" >/dev/null
    echo "build: $a ready in $dir"
  done
done
