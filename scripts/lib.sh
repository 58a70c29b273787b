# Shared pieces of the scripts: a virtual display, Wine clean-up, and the
# i386 emulation entry that must be off while a 64-bit Wine prefix is made.

# Starts Xvfb on the first free display number from 90 up and exports DISPLAY.
start_xvfb() {
    local n=90
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "Xvfb did not start" >&2
    return 1
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    XVFB_PID=""
}

# Ends this prefix's wineserver (and so its processes), no one else's.
stop_wine() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
}

# Runs a command with the qemu-i386 binfmt entry disabled, restoring it after:
# while it is enabled, creating a 64-bit prefix also starts Wine's 32-bit half
# under emulation and takes many minutes.
with_binfmt_i386_off() {
    local entry=/proc/sys/fs/binfmt_misc/qemu-i386 was="" rc=0
    if [ -f "$entry" ] && head -n 1 "$entry" | grep -q enabled; then was=1; echo 0 > "$entry"; fi
    "$@" || rc=$?
    if [ -n "$was" ]; then echo 1 > "$entry"; fi
    return $rc
}
