#!/usr/bin/env bash
# Sets up this machine, builds the wizard and runs it under Wine against the
# demo host shipped in demo/: a folder C:\Orvanto holding the demo
# TAVRIMOD.dll and a SZABLONY folder, and the registry value
# HKCU\VeOrvanto\Lokalizacja pointing at it, all in a throwaway Wine prefix.
#
# With a display ($DISPLAY reachable) the wizard opens for you to click
# through. Without one it runs on a virtual display, drives itself with real
# mouse clicks (Next, Next, Close) and saves a screenshot of every page in
# build/demo/.
#
# The shipped 32-bit exe is built too: build/i686/AktualizacjaSiec.exe. The
# demo runs the 64-bit build of the same sources, because 32-bit Wine only
# runs here under CPU emulation.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
bash scripts/build.sh x86_64 i686

out=$root/build/demo
rm -rf "$out"
mkdir -p "$out"
export WINEPREFIX=$out/prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree=;mshtml=' LANG=pl_PL.UTF-8
wine64=/usr/lib/wine/wine64
exe=$root/build/x64/AktualizacjaSiec.exe

# shellcheck source=scripts/lib.sh
source scripts/lib.sh

interactive=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then interactive=1; else start_xvfb; fi
trap 'stop_wine; stop_xvfb' EXIT

echo "demo: creating the Wine prefix (first time takes a while)"
with_binfmt_i386_off "$wine64" wineboot -i >/dev/null 2>&1
host=$WINEPREFIX/drive_c/Orvanto
cp -r demo/Orvanto "$host"
cp build/x64/fixtures/network/TAVRIMOD.dll "$host/"
"$wine64" reg add 'HKCU\VeOrvanto' /v Lokalizacja /d 'C:\Orvanto' /f >/dev/null 2>&1

if [ "$interactive" = 1 ]; then
    echo "demo: starting the wizard; the host folder is $host"
    "$wine64" "$exe"
    echo "demo: the wizard ended with exit code $?; templates in $host/SZABLONY"
    exit 0
fi

"$wine64" "$exe" &
pid=$!
win=""
for _ in $(seq 1 100); do
    win=$(xdotool search --onlyvisible --name 'Nak' 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break
    sleep 0.2
done
[ -n "$win" ] || { echo "demo: the wizard's window did not appear" >&2; exit 1; }
sleep 1

# Clicks at 96-DPI client coordinates of the buttons: Next on the button row,
# Close on page 3.
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 1.5; }
shot() { import -window "$win" "$out/$1.png"; echo "demo: saved build/demo/$1.png"; }

shot page1-welcome
click 426 184
shot page2-discovery
click 426 184
shot page3-installation
click 610 182
wait "$pid" && code=0 || code=$?
echo "demo: the wizard ended with exit code $code"
echo "demo: templates now in the demo host's SZABLONY:"
ls -l "$host/SZABLONY"
