#!/usr/bin/env bash
# Measures the wizard and prints a short report (also written to
# build/bench-report.txt):
#   1. the size of the shipped i686 exe, and of the x86_64 one for reference;
#   2. start-up time to a visible main window under wine64 + Xvfb, against a
#      bare Win32 window program timed the same way in the same run;
#   3. the deployment run: write requests per written file (from strace), and
#      its time against a plain create/write/close loop over the same files.
# A measurement, not a test: there are no thresholds. It exits non-zero only
# when something could not be built or run.
#
# Environment: BENCH_STARTUP_RUNS (default 10), BENCH_DEPLOY_RUNS (default 5).

set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build
WORK=$BUILD/bench-work
REPORT=$BUILD/bench-report.txt
STARTUP_RUNS=${BENCH_STARTUP_RUNS:-10}
DEPLOY_RUNS=${BENCH_DEPLOY_RUNS:-5}

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=$BUILD/bench-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=;mshtml='
# The script's own tools read and print numbers the C way; Wine gets a Polish
# locale, which gives the program its ANSI code page 1250.
export LC_ALL=C
IN_POLISH=(env -u LC_ALL -u LC_CTYPE LANG=pl_PL.UTF-8)

log() { printf 'bench: %s\n' "$*" >&2; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }

for tool in cmake python3 strace Xvfb "$WINE64" "$WINESERVER"; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh installs it)"
done

# --- cleanup: only what this script started ---------------------------------
# shellcheck source=scripts/lib.sh
source "$ROOT/scripts/lib.sh"
WINE_USED=
cleanup() {
  if [ -n "$WINE_USED" ]; then "$WINESERVER" -k 2>/dev/null || true; fi
  stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Windows path of a Linux path: Wine maps the root to drive Z:.
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1; m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m }'; }
range() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.1f..%.1f", lo, hi }'; }

# --- 1. build and sizes --------------------------------------------------------
build() {  # build <dir> <toolchain> <target>...
  local dir=$1 toolchain=$2; shift 2
  log "building $* in build/$dir"
  cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD/$dir" -j2 --target "$@" >/dev/null
}
build i686 toolchain-i686.cmake AktualizacjaSiec
build x64 toolchain-x86_64.cmake AktualizacjaSiec fixture_network bench_tools

EXE32=$BUILD/i686/AktualizacjaSiec.exe
EXE64=$BUILD/x64/AktualizacjaSiec.exe
BENCHBIN=$BUILD/x64/bench
LIBRARY=$BUILD/x64/fixtures/network/TAVRIMOD.dll
SIZE32=$(stat -c %s "$EXE32")
SIZE64=$(stat -c %s "$EXE64")

# The fragments in deployment order, as the resource script lists them.
mapfile -t FRAGMENTS < <(sed -n 's|^PLIK[0-9]*T RCDATA "\(.*\)"|'"$ROOT"'/resources/\1|p' "$ROOT/resources/templates.rc")
[ ${#FRAGMENTS[@]} -gt 0 ] || die "no fragments listed in resources/templates.rc"
FRAGMENT_BYTES=0
for f in "${FRAGMENTS[@]}"; do FRAGMENT_BYTES=$((FRAGMENT_BYTES + $(stat -c %s "$f"))); done

# --- display and prefix ----------------------------------------------------------
start_xvfb || die "Xvfb did not start"
log "Xvfb on $DISPLAY"

# A 64-bit prefix of its own, created once and kept between runs. While the
# i386 entry of binfmt_misc is enabled, Wine would start its 32-bit half under
# emulation and prefix creation would not finish: the entry is switched off
# for the creation only.
WINE_USED=1
if [ ! -e "$WINEPREFIX/.bench-ready" ]; then
  log "creating the Wine prefix build/bench-prefix"
  rm -rf "$WINEPREFIX"
  with_binfmt_i386_off timeout 600 "${IN_POLISH[@]}" "$WINE64" wineboot --init >/dev/null 2>&1 \
    || die "prefix creation failed"
  timeout 300 "$WINESERVER" -w || die "the prefix's wineserver did not finish"
  touch "$WINEPREFIX/.bench-ready"
fi

# The host folder: the companion library and a SZABLONY folder, named by the
# registry value the wizard reads.
rm -rf "$WORK"
mkdir -p "$WORK/host/SZABLONY" "$WORK/plain/SZABLONY"
cp "$LIBRARY" "$WORK/host/"
HOST=$(realpath "$WORK/host")
"${IN_POLISH[@]}" "$WINE64" reg add 'HKCU\VeOrvanto' /v Lokalizacja /d "$(winpath "$HOST")" /f >/dev/null 2>&1 \
  || die "could not write the registry value"
# The traced run below starts its own wineserver, so that the file operations
# the server does (opening, renaming) are traced as well.
timeout 120 "$WINESERVER" -w || "$WINESERVER" -k || true

LAUNCHER="$BENCHBIN/bench_launcher.exe"

# --- 3a. write requests per file, from strace --------------------------------------
# A Wine process gets its file descriptors from the wineserver over a socket,
# not from an openat of its own, so each write's descriptor is named by its
# path (-y) rather than traced back to an open.
log "tracing one deployment run into an empty SZABLONY folder"
TRACE=$WORK/deploy.strace
timeout 300 "${IN_POLISH[@]}" strace -f -y -o "$TRACE" -e trace=openat,write,pwrite64,writev,pwritev,pwritev2,rename,renameat,renameat2 \
  "$WINE64" "$LAUNCHER" deploy 0 1 "$(winpath "$EXE64")" > "$WORK/trace-run.txt" \
  || die "the traced deployment run failed"

WRITES_SUMMARY=$(python3 - "$TRACE" "$HOST/SZABLONY" "${FRAGMENTS[@]}" <<'EOF'
# Counts, per destination file, the write requests that reached it: those on
# the file itself and those on a temporary file later renamed onto it.
import collections, os, re, sys

trace, folder, fragments = sys.argv[1], sys.argv[2], sys.argv[3:]
quoted = r'"((?:[^"\\]|\\.)*)"'
write_re = re.compile(r'^\d+\s+(write|pwrite64|writev|pwritev2?)\(\d+<([^>]*)>,\s*(.*)')
size_re = re.compile(quoted + r'(?:\.\.\.)?,\s*(\d+)')  # write, pwrite64: the byte count after the data
iov_re = re.compile(r'iov_len=(\d+)')                       # writev, pwritev: the vector's lengths
rename_re = re.compile(r'^\d+\s+(rename|renameat|renameat2)\((.*)\)\s*=\s*(-?\d+)')

pending = collections.defaultdict(lambda: [0, 0])   # temp name -> [requests, bytes]
per_dest = collections.defaultdict(lambda: [0, 0])  # destination name -> [requests, bytes]
names = {os.path.basename(f) for f in fragments}
unfinished = {}  # pid -> start of a call whose end comes on a later line
with open(trace, errors="replace") as lines:
    for line in lines:
        pid, _, body = line.rstrip("\n").partition(" ")
        body = body.lstrip()
        if body.endswith("<unfinished ...>"):
            unfinished[pid] = body[: -len("<unfinished ...>")]
            continue
        resumed = re.match(r"<\.\.\. \w+ resumed>(.*)", body)
        if resumed:
            body = unfinished.pop(pid, "") + resumed.group(1)
        line = pid + " " + body
        m = write_re.match(line)
        if m and os.path.dirname(m.group(2)) == folder:
            name = os.path.basename(m.group(2))
            target = per_dest if name in names else pending
            target[name][0] += 1
            if m.group(1).endswith("v") or m.group(1).startswith("pwritev"):
                target[name][1] += sum(int(n) for n in iov_re.findall(m.group(3)))
            else:
                size = size_re.search(m.group(3))
                target[name][1] += int(size.group(2)) if size else 0
            continue
        m = rename_re.match(line)
        if m and m.group(3) == "0":
            paths = re.findall(quoted, m.group(2))
            if len(paths) >= 2:
                src, dst = os.path.basename(paths[-2]), os.path.basename(paths[-1])
                if src in pending:
                    n, b = pending.pop(src)
                    per_dest[dst][0] += n
                    per_dest[dst][1] += b

counts = [per_dest[os.path.basename(f)][0] for f in fragments]
total_bytes = sum(per_dest[os.path.basename(f)][1] for f in fragments)
odd = [f"{os.path.basename(f)}={c}" for f, c in zip(fragments, counts) if c != 1]
print(f"{len(fragments)} files, {sum(counts)} write requests, {total_bytes} bytes; "
      f"per file min {min(counts)}, max {max(counts)}")
print("files not written exactly once: " + (", ".join(odd) if odd else "none"))
if pending:
    print("temporary files never renamed: " + ", ".join(sorted(pending)))
EOF
) || die "could not read the trace"

identical=0
for f in "${FRAGMENTS[@]}"; do
  cmp -s "$f" "$HOST/SZABLONY/$(basename "$f")" && identical=$((identical + 1))
done

# --- 2. start-up ---------------------------------------------------------------------
log "start-up: $STARTUP_RUNS runs each, interleaved"
"${IN_POLISH[@]}" "$WINE64" "$LAUNCHER" startup "$STARTUP_RUNS" \
  ours "$(winpath "$EXE64")" TForm \
  bare "$(winpath "$BENCHBIN/bare_window.exe")" BenchBareWindow > "$WORK/startup.txt" \
  || die "the start-up runs failed"
OURS_MS=$(awk '$1 == "ours" { print $2 }' "$WORK/startup.txt" | median)
BARE_MS=$(awk '$1 == "bare" { print $2 }' "$WORK/startup.txt" | median)
OURS_RANGE=$(awk '$1 == "ours" { print $2 }' "$WORK/startup.txt" | range)
BARE_RANGE=$(awk '$1 == "bare" { print $2 }' "$WORK/startup.txt" | range)

# --- 3b. deployment time against a plain writer ------------------------------------------
# Both replace files that exist already: the wizard's host folder holds the
# traced run's files, and the plain writer fills its folder once untimed.
log "deployment: 1 untimed and $DEPLOY_RUNS timed wizard runs"
"${IN_POLISH[@]}" "$WINE64" "$LAUNCHER" deploy 1 "$DEPLOY_RUNS" "$(winpath "$EXE64")" > "$WORK/deploy.txt" \
  || die "the timed deployment runs failed"
log "plain writer: $DEPLOY_RUNS timed passes"
plain_args=()
for f in "${FRAGMENTS[@]}"; do plain_args+=("$(winpath "$f")"); done
"${IN_POLISH[@]}" "$WINE64" "$BENCHBIN/plain_writer.exe" "$DEPLOY_RUNS" "$(winpath "$WORK/plain/SZABLONY")" "${plain_args[@]}" \
  > "$WORK/plain.txt" || die "the plain writer failed"
DEPLOY_MS=$(awk '$1 == "deploy" { print $2 }' "$WORK/deploy.txt" | median)
PLAIN_MS=$(awk '$1 == "plain" { print $2 }' "$WORK/plain.txt" | median)
DEPLOY_RANGE=$(awk '$1 == "deploy" { print $2 }' "$WORK/deploy.txt" | range)
PLAIN_RANGE=$(awk '$1 == "plain" { print $2 }' "$WORK/plain.txt" | range)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# --- report ----------------------------------------------------------------------------
{
  echo "AktualizacjaSiec benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $("$WINE64" --version), $(nproc) cores"
  echo
  echo "Exe size"
  echo "  i686 (shipped)  $SIZE32 bytes"
  echo "  x86_64          $SIZE64 bytes"
  echo
  echo "Start-up to a visible main window (x86_64 under wine64 + Xvfb; launcher polls every 1 ms"
  echo "from CreateProcess; $STARTUP_RUNS runs each, interleaved, after one untimed run each)"
  echo "  AktualizacjaSiec.exe  median $OURS_MS ms  (range $OURS_RANGE)"
  echo "  bare_window.exe       median $BARE_MS ms  (range $BARE_RANGE)"
  echo "  ratio ours/bare       $(ratio "$OURS_MS" "$BARE_MS")"
  echo
  echo "Deployment run (${#FRAGMENTS[@]} fragments, $FRAGMENT_BYTES bytes)"
  echo "  write requests per file (strace -f of one run into an empty SZABLONY):"
  printf '%s\n' "$WRITES_SUMMARY" | sed 's/^/    /'
  echo "    files identical to their fragments afterwards: $identical of ${#FRAGMENTS[@]}"
  echo "  time, replacing existing files each run, median of $DEPLOY_RUNS:"
  echo "    wizard, BM_CLICK on Next (page 2) until the success text   $DEPLOY_MS ms  (range $DEPLOY_RANGE)"
  echo "    plain loop, CreateFileA CREATE_ALWAYS + WriteFile + CloseHandle  $PLAIN_MS ms  (range $PLAIN_RANGE)"
  echo "    ratio wizard/plain  $(ratio "$DEPLOY_MS" "$PLAIN_MS")"
  echo
  echo "Raw data: build/bench-work/"
} | tee "$REPORT"
