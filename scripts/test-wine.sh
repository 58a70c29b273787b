#!/usr/bin/env bash
# The Wine tier: the real x86_64 build of the wizard, driven under wine64 on a
# virtual display by our test driver (tests/wine), which starts the exe,
# clicks its buttons, types keys, answers its message boxes and its folder
# browser, and checks what the window shows and what lands on disk.
#
#   scripts/test-wine.sh [--fresh] [scenario | prefix/ ...]
#
#   --fresh     create the Wine prefix anew (it is otherwise reused)
#   scenario    run only these (see: wine64 wine_driver.exe --list)
#   WINE_TEST_EXE=<path>  drive another x86_64 build of the wizard
#
# What it sets up around the driver:
#  - the build/x64 tree (incremental: the wizard, the fixture libraries, the
#    driver);
#  - a private 64-bit prefix, build/x64/wine/prefix, with Wine's environment
#    (WINEDEBUG=-all, no Mono or Gecko, LANG=pl_PL.UTF-8 for code page 1250;
#    a second, short pass runs under en_US.UTF-8, code page 1252);
#    the qemu-i386 binfmt entry is off while it is created;
#  - Xvfb on a free display;
#  - drive T: of the prefix, a small tmpfs holding a host folder with old
#    templates and little room to spare, so that writing the new set runs
#    out of space part-way (mounting needs root);
#  - screenshots: the driver prints "SNAP <name> <x> <y> <w> <h>" and waits;
#    this script grabs that part of the screen into build/x64/artifacts/.
# The driver itself prepares the host folders, the registry values and the
# prefix's display settings, one scenario after another, in one Wine process
# that starts the wizard once or a few times per scenario. Everything it
# prints is passed on (and kept in build/x64/artifacts/driver.log); the last
# line is "<N> passed, <M> failed" (scenarios), and the exit status is
# non-zero on any failure.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/x64
ARTIFACTS=$BUILD/artifacts
WINE64=/usr/lib/wine/wine64
DRIVER=$BUILD/tests/wine/wine_driver.exe
EXE=${WINE_TEST_EXE:-$BUILD/AktualizacjaSiec.exe}
SMALL=$BUILD/wine/smalldrive

export WINEPREFIX=$BUILD/wine/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=;mshtml='
export LANG=pl_PL.UTF-8
unset LC_ALL

# shellcheck source=scripts/lib.sh
source "$ROOT/scripts/lib.sh"

fresh=0
args=()
for a in "$@"; do
    case "$a" in
        --fresh) fresh=1 ;;
        *) args+=("$a") ;;
    esac
done

die() { echo "test-wine: $*" >&2; echo "0 passed, 1 failed"; exit 1; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

started=$(date +%s)
if ! locale -a 2>/dev/null | grep -qi '^pl_PL\.utf8$'; then
    echo "test-wine: the pl_PL.UTF-8 locale is missing (scripts/setup.sh makes it); Wine will not use code page 1250"
fi

# --- Build --------------------------------------------------------------------
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null || die "configuring $BUILD failed"
fi
cmake --build "$BUILD" -j "$(nproc)" --target AktualizacjaSiec fixtures wine_driver >/dev/null ||
    die "building $BUILD failed"

# --- Prefix -------------------------------------------------------------------
cleanup() {
    stop_wine
    stop_xvfb
    if [ -L "$WINEPREFIX/dosdevices/t:" ]; then rm -f "$WINEPREFIX/dosdevices/t:"; fi
    if mountpoint -q "$SMALL" 2>/dev/null; then umount "$SMALL" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ "$fresh" = 1 ]; then rm -rf "$WINEPREFIX"; fi
if [ ! -f "$WINEPREFIX/.ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "test-wine: creating the prefix $WINEPREFIX"
    with_binfmt_i386_off timeout 600 "$WINE64" wineboot -i >/dev/null 2>&1 || die "creating the prefix failed"
    with_binfmt_i386_off timeout 120 wineserver -w || die "the prefix's first wineserver did not end"
    touch "$WINEPREFIX/.ready"
fi

start_xvfb || die "no virtual display"

# --- The small drive T: --------------------------------------------------------
# Room for the host's library, the 22 old templates (a page each) and as many
# spare pages as the first new template takes: each new template that takes
# more than a page uses up spare room, so the run fills the drive part-way.
small_args=()
prepare_small_drive() {
    local dll=$BUILD/fixtures/network/TAVRIMOD.dll page first spare pages name
    local names
    names=$(sed -n 's/^PLIK[0-9]*T RCDATA "templates\/\(.*\)"/\1/p' "$ROOT/resources/templates.rc")
    first=$ROOT/resources/templates/$(head -n 1 <<<"$names")
    page=$(getconf PAGESIZE)
    spare=$(( ($(stat -c %s "$first") + page - 1) / page ))
    pages=$(( ($(stat -c %s "$dll") + page - 1) / page + 22 + spare ))
    mkdir -p "$SMALL"
    if mountpoint -q "$SMALL"; then umount "$SMALL" || return 1; fi
    mount -t tmpfs -o "size=$((pages * page / 1024))k,mode=0755" q47small "$SMALL" 2>/dev/null || return 1
    mkdir -p "$SMALL/host/SZABLONY"
    cp "$dll" "$SMALL/host/TAVRIMOD.dll"
    while read -r name; do
        printf '{\\pard Q47M %s\\par}\r\n' "$name" >"$SMALL/host/SZABLONY/$name"
    done <<<"$names"
    ln -sfn "$SMALL" "$WINEPREFIX/dosdevices/t:"
}
if prepare_small_drive; then
    small_args=(--small-host 'T:\host')
else
    echo "test-wine: no small drive (mounting a tmpfs needs root); the disk-full scenario will fail"
fi

# --- Run ----------------------------------------------------------------------
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
log=$ARTIFACTS/driver.log
plan=0 passed=0 failed=0 rc="" acp=""

# One pass of the driver under a locale (and so an ANSI code page), with its
# screenshots in the given folder; the counts add up over the passes.
run_driver() {
    local locale=$1 shots=$2 line pass_rc="" pass_plan=0 pass_done=0
    shift 2
    mkdir -p "$shots"
    while IFS= read -r line; do
        line=${line%$'\r'}
        case "$line" in
            "SNAP "*)
                read -r _ name x y w h <<<"$line"
                if import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$shots/$name.png"; then
                    echo "    screenshot: ${shots#"$ROOT"/}/$name.png"
                else
                    echo "    screenshot of $name failed"
                fi
                : >"$shots/$name.done"
                ;;
            "PLAN "*) pass_plan=${line#PLAN } ;;
            "ACP "*) acp=${line#ACP } ;;
            "DRIVER-EXIT "*) pass_rc=${line#DRIVER-EXIT } ;;
            "SUMMARY "*) ;;
            # Wine's own notice when the folder browser lists the Z: drive (/).
            "wine: Read access denied for device"*) ;;
            *)
                case "$line" in
                    "[ PASS ]"*) passed=$((passed + 1)); pass_done=$((pass_done + 1)) ;;
                    "[ FAIL ]"*) failed=$((failed + 1)); pass_done=$((pass_done + 1)) ;;
                esac
                echo "$line"
                ;;
        esac
        echo "$line" >>"$log"
    done < <(
        cd "$BUILD" &&
        LANG=$locale timeout 900 "$WINE64" "$DRIVER" --exe "$(winpath "$EXE")" \
            --fixtures "$(winpath "$BUILD/fixtures")" --templates "$(winpath "$ROOT/resources/templates")" \
            --work 'C:\q47' --artifacts "$(winpath "$shots")" "${small_args[@]}" "$@" 2>&1
        echo "DRIVER-EXIT $?"
    )
    plan=$((plan + pass_plan))
    # Scenarios the driver never reported on (it died, or timed out) failed.
    if [ "$pass_done" -lt "$pass_plan" ]; then
        echo "test-wine: the driver stopped early (exit ${pass_rc:-?}); $((pass_plan - pass_done)) scenarios did not finish"
        failed=$((failed + pass_plan - pass_done))
    fi
    if [ "${pass_rc:-1}" != 0 ]; then rc=${pass_rc:-1}; elif [ -z "$rc" ]; then rc=0; fi
}

run_driver pl_PL.UTF-8 "$ARTIFACTS" "${args[@]}"

# The program's texts are code page 1250 whatever the system's ANSI code page
# is: a second pass under a Western locale (code page 1252) checks the Polish
# texts of all three pages again.
if [ ${#args[@]} -eq 0 ]; then
    echo "test-wine: again under code page 1252"
    run_driver en_US.UTF-8 "$ARTIFACTS/cp1252" shell/layout discovery/registry-accepted/network deployment/success
    if [ "$acp" != 1252 ]; then
        echo "test-wine: the second pass ran under ANSI code page ${acp:-?}, not 1252"
        failed=$((failed + 1))
    fi
fi

if [ "$failed" = 0 ] && [ "${rc:-1}" != 0 ]; then
    echo "test-wine: the driver exited with status ${rc:-?}"
    failed=1
fi
echo "test-wine: $(( $(date +%s) - started )) s; screenshots and the log in ${ARTIFACTS#"$ROOT"/}/"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ] && [ "${rc:-1}" = 0 ]
