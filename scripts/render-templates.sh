#!/usr/bin/env bash
# Renders the report-template fragments to pictures, for a person to look at.
#
# For each of the four families it wraps the heading block and a typical
# sequence of its rows in a small report document of its own (font 16,
# colours 8 and 15, paragraph styles 2, 3 and 15, as the host's report
# document defines them), puts sample values in place of the <TOKENS>,
# converts the document to PDF with LibreOffice and the first page to PNG.
#
#   scripts/render-templates.sh [output-folder]    (default: docs/templates)
#
# Installs LibreOffice Writer, poppler-utils and the Liberation fonts with
# apt-get when they are missing (needs root then). Not part of the tests.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/docs/templates}"

pkgs=(libreoffice-writer-nogui poppler-utils fonts-liberation python3)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then echo "render-templates: run as root to install ${missing[*]}" >&2; exit 1; fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

python3 - "$root/resources/templates" "$work" <<'PY'
import itertools, os, sys

src, work = sys.argv[1], sys.argv[2]

# Word's standard colour table: 8 is white (the shading's background, under
# a 15 % black pattern), 15 is dark grey (the information-table labels).
COLOURS = ";".join("\\red%d\\green%d\\blue%d" % c for c in [
    (0, 0, 0), (0, 0, 255), (0, 255, 255), (0, 255, 0), (255, 0, 255), (255, 0, 0), (255, 255, 0),
    (255, 255, 255), (0, 0, 128), (0, 128, 128), (0, 128, 0), (128, 0, 128), (128, 0, 0), (128, 128, 0),
    (128, 128, 128), (192, 192, 192)])

# LibreOffice 7.4 keeps a paragraph style across \pard in the last cell of a
# row, so "stezenie X [mg/m3]" under "Oznaczany czynnik" (style 3) shows in
# bold in the narrow chemical picture; the fragment resets the style, and a
# word processor that follows \pard shows it regular.
STYLES = (
    "{\\stylesheet{\\nowidctlpar\\adjustright \\f16\\fs20\\lang1045\\cgrid \\snext0 Normal;}"
    "{\\s2\\qc\\keepn\\nowidctlpar\\outlinelevel1\\adjustright \\b\\f16\\fs20\\lang1045\\cgrid \\sbasedon0 \\snext0 heading 2;}"
    "{\\s3\\qc\\keepn\\nowidctlpar\\outlinelevel2\\adjustright \\b\\f16\\fs20\\lang1045\\cgrid \\sbasedon0 \\snext0 heading 3;}"
    "{\\s15\\qc\\nowidctlpar\\adjustright \\b\\f16\\fs20\\lang1045\\cgrid \\sbasedon0 \\snext15 table heading;}}")

PORTRAIT = "\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1134\\margb1134"
LANDSCAPE = "\\paperw16838\\paperh11906\\margl1134\\margr1134\\margt1134\\margb1134\\landscape"

FAMILIES = [
    ("kestrin-narrow", PORTRAIT, "KestrinHead", ["KestrinTask", "KestrinCont", "KestrinCont", "KestrinBlank",
                                                  "KestrinTaskSolo", "KestrinTask", "KestrinCont", "KestrinLimit"]),
    ("kestrin-wide", LANDSCAPE, "KestrinWideHead", ["KestrinWideStation", "KestrinWideTask", "KestrinWideCont",
                                                     "KestrinWideContEnd", "KestrinWideTask", "KestrinWideBlank",
                                                     "KestrinWideStation", "KestrinWideTask", "KestrinWideContEnd"]),
    ("falmor-wide", LANDSCAPE, "FalmorWideHead", ["FalmorWideStation", "FalmorWideTask", "FalmorWideCont",
                                                  "FalmorWideContEnd", "FalmorWideTask", "FalmorWideContEnd"]),
    ("falmor-narrow", PORTRAIT, "FalmorHead", ["FalmorTask", "FalmorCont", "FalmorBlank",
                                               "FalmorTask", "FalmorCont", "FalmorLimit"]),
]

# Sample values; a token that recurs takes the next value of its list.
SAMPLES = {
    "NRTABELI": ["3"],
    "KLIENTNAZWAH": ["Zakład Obróbki Metali \"Przykład\" Sp. z o.o., ul. Polna 1, Łódź"],
    "MIEJSCEBADANH": ["Hala produkcyjna nr 2"],
    "STANOWISKOH": ["Spawacz"],
    "DATABADANH": ["12.03.2024"],
    "DATAOBLICZENH": ["15.03.2024"],
    "RODZAJPYL": ["Mangan i jego związki", "Pył spawalniczy"],
    "PODWYKONASTWOH": ["Pomiary wykonał podwykonawca: Laboratorium Badań Środowiska Pracy"],
    "CZYNNOSCH": ["Spawanie elementów konstrukcji", "Szlifowanie spoin", "Prace pomocnicze"],
    "NRPROBKI": ["%d/24" % i for i in range(101, 140)],
    "TIPOB": ["120", "95", "60", "110", "45", "75", "100", "30"],
    "STEZENIEXI": ["0,124", "0,087", "0,215", "< 0,010", "0,056", "0,031"],
    "STEZENIEXIC": ["1,42", "0,87", "2,15", "0,56", "1,10"],
    "STEZENIEXIR": ["0,012", "0,008", "0,021", "0,005", "0,010"],
    "OZNACZALNOSC": ["0,010"],
    "OZNACZALNOSCW": ["40"],
    "LP": ["1", "2", "3"],
    "CW": ["0,118", "0,074"], "UCW": ["± 0,015", "± 0,010"],
    "NDS": ["0,2"], "KNDS": ["0,59", "0,37"],
    "CH1": ["0,215", "0,140"], "UCH1": ["± 0,027", "± 0,018"],
    "CH2": ["0,198", "0,122"], "UCH2": ["± 0,025", "± 0,016"],
    "NDSCH": ["0,6"], "KNDSCH1": ["0,36", "0,23"], "KNDSCH2": ["0,33", "0,20"],
    "CWC": ["1,25"], "UCWC": ["± 0,16"], "NDSC": ["10"], "KNDSC": ["0,13"],
    "CWR": ["0,011"], "UCWR": ["± 0,002"], "NDSR": ["0,2"], "KNDSR": ["0,06"],
}


def rtf_text(text):
    out = []
    for ch in text:
        b = ch.encode("cp1250")[0]
        out.append(ch if 0x20 <= b < 0x7F and ch not in "\\{}" else "\\'%02x" % b)
    return "".join(out)


def fill(fragment, cycles):
    out, i = [], 0
    while True:
        j = fragment.find("<", i)
        if j < 0:
            out.append(fragment[i:])
            return "".join(out)
        k = fragment.index(">", j)
        out.append(fragment[i:j])
        out.append(rtf_text(next(cycles[fragment[j + 1:k]])))
        i = k + 1


def read(name):
    with open(os.path.join(src, name + ".rtf"), "rb") as f:
        return f.read().decode("ascii")


for family, page, head, rows in FAMILIES:
    cycles = {k: itertools.cycle(v) for k, v in SAMPLES.items()}
    body = fill(read(head), cycles) + "".join(fill(read(r), cycles) for r in rows)
    doc = ("{\\rtf1\\ansi\\ansicpg1250\\deff16\\deflang1045"
           "{\\fonttbl{\\f16\\fswiss\\fcharset238\\fprq2 Arial;}}"
           "{\\colortbl;" + COLOURS + ";}" + STYLES + "\r\n" + page + "\\sectd\r\n"
           + body + "\\pard\\plain \\nowidctlpar\\adjustright \\lang1045\\cgrid {\\f16 \\par }}\r\n")
    with open(os.path.join(work, family + ".rtf"), "wb") as f:
        f.write(doc.encode("ascii"))
PY

for rtf in "$work"/*.rtf; do
  soffice --headless "-env:UserInstallation=file://$work/profile" \
    --convert-to pdf --outdir "$work" "$rtf" >/dev/null 2>&1
  name="$(basename "$rtf" .rtf)"
  pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$work/$name.pdf" "$out/$name"
  echo "render-templates: $out/$name.png"
done
