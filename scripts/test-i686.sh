#!/usr/bin/env bash
# The i686 tier: the shipped 32-bit exe checked from its PE image, a second
# clean build that must give the same exe byte for byte, and one run of the
# 32-bit platform test (tests/i686/platform_test.cpp) under 32-bit Wine.
#
# Usage: scripts/test-i686.sh
#
# 32-bit Wine needs a kernel that runs 32-bit Linux programs. Where the
# kernel cannot, they run under qemu-i386 user emulation through binfmt_misc:
#  - on kernels that give each user namespace its own binfmt_misc (6.7 and
#    later) the qemu-i386 entry is registered in a private namespace that
#    only this script's processes see;
#  - otherwise it is registered system-wide, with the F flag, and disabled
#    again when the script ends, whatever the outcome: while it is enabled,
#    creating a 64-bit Wine prefix also runs Wine's 32-bit half under
#    emulation and takes far longer.
# I686_EXEC=native|qemu-private|qemu-global forces one of the three.
#
# One private 32-bit prefix, build/i686/wineprefix, is created on the first
# run and reused. Measured on 2 cores: natively the prefix takes about 10 s
# and the test process under a second; under emulation the prefix took 11
# minutes and the test process 6 to 8 (each Wine session start emulates
# wineboot, services, plugplay and explorer first).
# Output and logs: build/i686/test-i686/. Exits non-zero when a check fails.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/i686
REPRO=$ROOT/build/i686-repro
LOGS=$BUILD/test-i686
EXE=AktualizacjaSiec.exe
QEMU=/usr/bin/qemu-i386
WINE32_LOADER=/usr/lib/wine/wine

# i386 ELF executables, matched on the header with the escapes written as
# text for the kernel to decode (a printf that turned them into bytes would
# cut the magic at its first NUL and match every 32-bit ELF).
QEMU_I386_ENTRY=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F'

# Wine's environment. The Mono and Gecko installers are never wanted, nor
# menu entries in the user's desktop (winemenubuilder, one more process to
# emulate); code page 1250 comes from the Polish locale; qemu 7.2's 32-bit
# guest needs the whole 4 GB address space reserved up front, or the loader
# cannot map the shared user data (harmless when no emulation is involved).
export WINEPREFIX=$BUILD/wineprefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=;mshtml=;winemenubuilder.exe=d'
export LANG=pl_PL.UTF-8
export LC_ALL=pl_PL.UTF-8
export QEMU_RESERVED_VA=0xffff0000
unset DISPLAY

TIMINGS=()
now() { date +%s.%N; }
since() { LC_ALL=C awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
note_time() { TIMINGS+=("$(printf '%-34s %7ss' "$1" "$2")"); }
print_timings() {
  echo "--- i686 tier timings"
  local t
  for t in "${TIMINGS[@]}"; do echo "  $t"; done
}
die() { echo "test-i686: $*" >&2; exit 1; }

# The Wine part, in whatever namespace the emulation set-up chose. Writes
# its timings to $LOGS/wine-timings and the test's output to $LOGS.
wine_stage() {
  : >"$LOGS/wine-timings"
  local t

  t=$(now)
  local created=reused
  if ! grep -qs '^#arch=win32' "$WINEPREFIX/system.reg"; then
    rm -rf "$WINEPREFIX"
    created=created
    echo "--- creating the 32-bit prefix $WINEPREFIX"
    if ! timeout 1800 wine wineboot --init >"$LOGS/wineboot.log" 2>&1 ||
       ! timeout 600 wineserver -w; then
      tail -20 "$LOGS/wineboot.log" >&2
      rm -rf "$WINEPREFIX"
      echo "FAIL  creating the 32-bit prefix failed"
      return 1
    fi
  fi
  echo "prefix ($created) $(since "$t")" >>"$LOGS/wine-timings"

  # The fixture folders, the template files and the test, all in drive C.
  local base=$WINEPREFIX/drive_c/i686test
  rm -rf "$base"
  mkdir -p "$base/fixtures" "$base/templates"
  cp -r "$BUILD"/fixtures/* "$base/fixtures/"
  cp "$ROOT"/resources/templates/*.rtf "$base/templates/"
  cp "$BUILD/platform_test.exe" "$base/"
  local args=() dir
  for dir in "$base"/fixtures/*/; do
    dir=${dir%/}
    args+=("C:\\i686test\\fixtures\\${dir##*/}")
  done

  echo "--- platform test (${#args[@]} fixture folders)"
  t=$(now)
  local rc=0
  (cd "$base" && timeout 1800 wine 'C:\i686test\platform_test.exe' 'C:\i686test\templates' 'C:\i686test\work' \
      "${args[@]}") >"$LOGS/platform_test.out" 2>"$LOGS/platform_test.err" || rc=$?
  echo "platform test process $(since "$t")" >>"$LOGS/wine-timings"
  echo "$rc" >"$LOGS/platform_test.rc"
  timeout 120 wineserver -k || true
}

# Re-entry point inside the private user and mount namespace: a binfmt_misc
# instance of its own with the qemu-i386 entry, then the Wine part.
if [ "${1:-}" = --private-binfmt ]; then
  mnt=$LOGS/binfmt_misc
  mkdir -p "$mnt"
  mount -t binfmt_misc binfmt_misc "$mnt"
  printf '%s\n' "$QEMU_I386_ENTRY" >"$mnt/register"
  wine_stage
  exit
fi

# --- build -------------------------------------------------------------------
[ -x "$WINE32_LOADER" ] || die "wine32:i386 missing: run scripts/setup.sh"
locale -a 2>/dev/null | grep -qi '^pl_PL.utf8$' || die "no pl_PL.UTF-8 locale: run scripts/setup.sh"
mkdir -p "$BUILD"

t=$(now)
echo "--- building $BUILD"
[ -f "$BUILD/CMakeCache.txt" ] ||
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 >"$BUILD/build.log" 2>&1 || { tail -30 "$BUILD/build.log" >&2; die "build failed"; }
note_time "build" "$(since "$t")"
mkdir -p "$LOGS"
rm -f "$LOGS"/platform_test.* "$LOGS/wine-timings"

FAILED=()

# --- the shipped exe, from its PE image -------------------------------------
t=$(now)
echo "--- PE checks of $EXE"
python3 "$ROOT/tests/i686/check_pe.py" "$BUILD/$EXE" | tee "$LOGS/check_pe.out" | grep -v '^ok' || true
grep -q ' 0 failed$' "$LOGS/check_pe.out" || FAILED+=("PE checks")
note_time "PE checks" "$(since "$t")"

# --- reproducibility: a second clean build gives the same bytes --------------
# In another folder, time zone and locale, so that neither a build path nor
# a time stamp nor the locale may reach the image.
t=$(now)
echo "--- reproducibility: clean build in $REPRO"
rm -rf "$REPRO"
if (export TZ=Pacific/Kiritimati LC_ALL=C LANG=C
    cmake -S "$ROOT" -B "$REPRO" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$REPRO" --target AktualizacjaSiec -j2) >"$LOGS/repro-build.log" 2>&1; then
  if cmp "$BUILD/$EXE" "$REPRO/$EXE"; then
    echo "ok    two builds give byte-identical $EXE ($(stat -c %s "$BUILD/$EXE") bytes)"
    rm -rf "$REPRO"
  else
    echo "FAIL  $BUILD/$EXE and $REPRO/$EXE differ (kept for comparison)"
    FAILED+=("reproducibility")
  fi
else
  tail -20 "$LOGS/repro-build.log"
  echo "FAIL  the second clean build failed"
  FAILED+=("reproducibility")
fi
note_time "reproducibility (clean rebuild)" "$(since "$t")"

# --- running 32-bit programs ---------------------------------------------------
GLOBAL_ENTRY=/proc/sys/fs/binfmt_misc/qemu-i386
disable_global_entry() {
  if [ -e "$GLOBAL_ENTRY" ]; then
    echo 0 >"$GLOBAL_ENTRY" && echo "--- qemu-i386 binfmt entry disabled again"
  fi
}

private_binfmt_works() {
  mkdir -p "$LOGS/binfmt_misc"
  unshare --user --map-root-user --mount sh -c \
    'mount -t binfmt_misc binfmt_misc "$1" && test -e "$1/register"' sh "$LOGS/binfmt_misc" 2>/dev/null
}

mode=${I686_EXEC:-auto}
if [ "$mode" = auto ]; then
  if "$WINE32_LOADER" --version >/dev/null 2>&1; then
    mode=native
  elif private_binfmt_works; then
    mode=qemu-private
  else
    mode=qemu-global
  fi
fi
echo "--- 32-bit programs run: $mode"
[ "$mode" = native ] || [ -x "$QEMU" ] || die "qemu-user missing: run scripts/setup.sh"

case $mode in
  native)
    wine_stage || FAILED+=("32-bit Wine")
    ;;
  qemu-private)
    unshare --user --map-root-user --mount "$0" --private-binfmt || FAILED+=("32-bit Wine")
    ;;
  qemu-global)
    [ "$(id -u)" -eq 0 ] || die "registering the qemu-i386 binfmt entry needs root"
    trap disable_global_entry EXIT
    [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    [ -e "$GLOBAL_ENTRY" ] || printf '%s\n' "$QEMU_I386_ENTRY" >/proc/sys/fs/binfmt_misc/register
    echo 1 >"$GLOBAL_ENTRY"
    wine_stage || FAILED+=("32-bit Wine")
    disable_global_entry
    trap - EXIT
    ;;
  *)
    die "I686_EXEC must be native, qemu-private or qemu-global, not '$mode'"
    ;;
esac

while read -r line; do
  TIMINGS+=("$(printf '%-34s %7ss' "${line% *}" "${line##* }")")
done < <(cat "$LOGS/wine-timings" 2>/dev/null)

# --- the platform test's verdict ---------------------------------------------
tr -d '\r' <"$LOGS/platform_test.out" >"$LOGS/platform_test.txt" 2>/dev/null || : >"$LOGS/platform_test.txt"
grep -v '^ok' "$LOGS/platform_test.txt" || true
rc=$(cat "$LOGS/platform_test.rc" 2>/dev/null || echo "none")
summary=$(tail -n 1 "$LOGS/platform_test.txt")
if [ "$rc" != 0 ] || ! [[ $summary =~ ^[0-9]+\ passed,\ 0\ failed$ ]]; then
  echo "FAIL  platform test: exit code $rc, last line \"$summary\" (output in $LOGS)"
  [ -s "$LOGS/platform_test.err" ] && tail -20 "$LOGS/platform_test.err"
  FAILED+=("platform test")
fi

print_timings
if [ ${#FAILED[@]} -gt 0 ]; then
  echo "i686 tier FAILED: ${FAILED[*]}"
  exit 1
fi
echo "i686 tier passed: PE checks $(tail -n 1 "$LOGS/check_pe.out" | cut -d, -f1), reproducible exe, platform test $(cut -d, -f1 <<<"$summary")"
