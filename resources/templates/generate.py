#!/usr/bin/env python3
r"""Writes the 22 report-template fragments of the Q47T overlay.

The committed .rtf files are what the executable embeds, byte for byte; this
script only exists so that every fragment is written with the same idioms.
Run it from anywhere: python3 resources/templates/generate.py

Idioms (the same in every fragment):
- one unit per line: a row's own properties, its cell definitions, each
  paragraph, each row end; cell definitions are wrapped after a \cellx so
  that no line exceeds LINE_LIMIT, and nothing is ever cut inside a word,
  an escape or a placeholder;
- a row definition is complete: \trowd \trgaph70\trleft-70, the row flags
  (\trrh320 \trkeep \trqc), the six row borders of a results table, then
  per cell its merge, vertical alignment, borders (T L B R), shading,
  \cltxlrtb and \cellx;
- every paragraph starts with \pard and restates all its properties;
  heading blocks reset characters with \plain \lang1045\cgrid before each
  paragraph; row fragments do not, so that text without a size of its own
  takes the size in force where the host inserts the row;
- every run of text is one group that states all its character formatting;
  the paragraph mark (\par or \cell) closes the paragraph's last run, so an
  empty cell still carries its size;
- every row ends with \pard\plain \widctlpar\intbl\adjustright
  \lang1045\cgrid {\row }, the group whose brace ends a row fragment;
- entries 1 to 4 end at their last brace, 8, 13 and 20 with an empty line,
  the others with one CR LF.
"""

import os
import sys

LINE_LIMIT = 255

ESCAPES = {
    "Ś": "\\'8c", "ś": "\\'9c", "ź": "\\'9f", "Ł": "\\'a3", "Ż": "\\'af",
    "ł": "\\'b3", "ż": "\\'bf", "Ó": "\\'d3", "ć": "\\'e6", "ę": "\\'ea",
    "ń": "\\'f1", "ó": "\\'f3",
}


def escape(text):
    out = []
    for ch in text:
        if ch in ESCAPES:
            out.append(ESCAPES[ch])
        elif 0x20 <= ord(ch) <= 0x7E and ch not in "\\{}":
            out.append(ch)
        else:
            raise ValueError("character not allowed in a fragment: %r" % ch)
    return "".join(out)


def runs_of(markup):
    """Splits '*bold*', '^super^' and '_sub_' markup into (text, bold, vpos) runs."""
    runs, cur, bold, vpos = [], [], False, None
    for ch in markup:
        if ch in "*^_":
            if cur:
                runs.append(("".join(cur), bold, vpos))
                cur = []
            if ch == "*":
                bold = not bold
            else:
                want = "super" if ch == "^" else "sub"
                vpos = None if vpos == want else want
        else:
            cur.append(ch)
    if cur or not runs:
        runs.append(("".join(cur), bold, vpos))
    return runs


class P:
    """One paragraph: markup text, alignment l/c/j, size in half-points or None."""

    def __init__(self, markup="", align="l", size=None, style=None, label=False):
        self.markup, self.align, self.size, self.style, self.label = markup, align, size, style, label


STYLE_WORDS = {None: ("", ""), 15: ("\\s15", ""), 2: ("\\s2", "\\outlinelevel1"), 3: ("\\s3", "\\outlinelevel2")}


def paragraph(p, plain, intbl, mark):
    style, outline = STYLE_WORDS[p.style]
    words = "\\pard" + ("\\plain" if plain else "") + " " + style
    words += {"l": "", "c": "\\qc", "j": "\\qj"}[p.align]
    words += "\\keepn" if p.style in (2, 3) else ""
    words += "\\nowidctlpar" + ("\\intbl" if intbl else "") + outline + "\\adjustright "
    words += "\\lang1045\\cgrid " if plain else ""
    runs = runs_of(p.markup)
    for i, (text, bold, vpos) in enumerate(runs):
        fmt = ("\\b" if bold else "") + "\\f16"
        fmt += "\\fs%d" % p.size if p.size else ""
        fmt += "\\cf15" if p.label else ""
        fmt += "\\" + vpos if vpos else ""
        body = escape(text)
        if i == len(runs) - 1:
            body += mark + " "
        words += "{" + fmt + " " + body + "}"
    return words


class Cell:
    def __init__(self, right, paras=(), merge=None, borders="TLBR", width=10, top=False, shade=False):
        self.right, self.merge, self.borders, self.width = right, merge, borders, width
        self.top, self.shade = top, shade
        self.paras = [paras] if isinstance(paras, P) else list(paras)
        if not self.paras:
            self.paras = [P()]


class Row:
    def __init__(self, cells, info=False, keep=True, centred=False):
        self.cells, self.info, self.keep, self.centred = cells, info, keep, centred


ROW_BORDERS = "".join("\\trbrdr%s\\brdrs\\brdrw10 " % s for s in "tlbrhv")
ROW_END = "\\pard\\plain \\widctlpar\\intbl\\adjustright \\lang1045\\cgrid {\\row }"


def row_units(row, plain):
    d = "\\trowd \\trgaph70\\trleft-70"
    d += "\\trrh320" if row.info else ""
    d += "\\trkeep" if row.keep else ""
    d += "\\trqc" if row.centred else ""
    d += " "
    if not row.info:
        d += ROW_BORDERS
    units = [d]
    d = ""
    for c in row.cells:
        d += {None: "", "first": "\\clvmgf", "cont": "\\clvmrg"}[c.merge]
        d += "\\clvertalt" if c.top else "\\clvertalc"
        for side in "TLBR":
            if side in c.borders:
                d += "\\clbrdr%s\\brdrs\\brdrw%d " % (side.lower(), c.width)
        d += "\\clcbpat8\\clshdng1500" if c.shade else ""
        d += "\\cltxlrtb \\cellx%d" % c.right
    units.append(d)
    for c in row.cells:
        for i, p in enumerate(c.paras):
            last = i == len(c.paras) - 1
            units.append(paragraph(p, plain, True, "\\cell" if last else "\\par"))
    units.append(ROW_END)
    return units


def wrap(unit):
    """Cuts a unit into lines of at most LINE_LIMIT characters.

    A row definition is cut after a cell's \\cellx, so that each cell's
    definition stays on one line; anything else before a control word or a
    brace, never inside a word, an escape or a placeholder.
    """
    lines = []
    while len(unit) > LINE_LIMIT:
        after_cell, before_word = 0, 0
        for i in range(1, LINE_LIMIT + 1):
            ch = unit[i] if i < len(unit) else ""
            if ch in "{}" or (ch == "\\" and unit[i + 1] != "'"):
                if unit[i - 1] != "\\":
                    before_word = i
                if unit.startswith("\\cellx", unit.rfind("\\", 0, i)):
                    after_cell = i
        cut = after_cell or before_word
        if cut == 0:
            raise ValueError("no place to break: " + unit[:80])
        lines.append(unit[:cut])
        unit = unit[cut:]
    lines.append(unit)
    return lines


# ---- the four families --------------------------------------------------------

TITLE_CHEM = "st\u0119\u017cenia czynnik\u00f3w chemicznych "
TITLE_DUST = "st\u0119\u017cenia frakcji wdychalnej i w\u0142\u00f3kien respirabilnych py\u0142u "

LABELS_NARROW = [
    ("Klient:", "*<KLIENTNAZWAH>*"),
    ("Miejsce wykonania pomiar\u00f3w:", "<MIEJSCEBADANH>"),
    ("Stanowisko pracy:", "*<STANOWISKOH>*"),
    ("data wykonania pomiar\u00f3w:", "<DATABADANH>"),
    ("data wykonania oblicze\u0144:", "<DATAOBLICZENH>"),
]
LABELS_WIDE = [LABELS_NARROW[0], LABELS_NARROW[3], LABELS_NARROW[4]]

BADANE = [P("*BADANE CZYNNO\u015aCI ZAWODOWE*", "c", 20, 15), P("- zadania", "c")]
NR_I_CZAS = "Nr i czas pobierania pr\u00f3bki"
MG_M3 = "[mg/m^3^]"
WL_CM3 = "[w\u0142./cm^3^]"
KROTNOSC = "Krotno\u015b\u0107 NDS"


def heading_block(subject, labels, edge, after_info_size, heading_rows):
    units = [paragraph(P("*TABELA <NRTABELI>. *Wyniki pomiar\u00f3w *" + subject + "*na stanowisku pracy.",
                         "c", 20), True, False, "\\par"),
             paragraph(P("", "l", 16), True, False, "\\par")]
    for label, value in labels:
        units += row_units(Row([Cell(2410, P("*" + label + "*", label=True), borders=""),
                                Cell(edge, P(value), borders="")], info=True, keep=False), True)
    units += row_units(Row([Cell(edge, P("<PODWYKONASTWOH>"), borders="")], info=True), True)
    units.append(paragraph(P("", "l", after_info_size), True, False, "\\par"))
    for r in heading_rows:
        units += row_units(r, True)
    return units


def c(*markups, size=None, align="c"):
    return [P(m, align, size) for m in markups]


# Narrow chemical family: activity 4239, Nr 5373, Ti 6280, concentration 9115.
def kestrin():
    w = 30
    head = heading_block(TITLE_CHEM, LABELS_NARROW + [("Okre\u015blenie czynnika:", "<RODZAJPYL>")], 9140, 16, [
        Row([Cell(4239, BADANE, "first", width=w),
             Cell(6280, c(NR_I_CZAS, size=18), width=w),
             Cell(9115, [P("*Oznaczany czynnik*", "c", None, 3), P("st\u0119\u017cenie X " + MG_M3, "c")], "first", width=w)]),
        Row([Cell(4239, c(""), "cont", width=w), Cell(5373, c("Nr"), width=w),
             Cell(6280, c("T_i_ [min]"), width=w), Cell(9115, c(""), "cont", width=w)]),
    ])

    def values(tokens, borders):
        return [Cell(x, c(t, size=18), borders=borders) for x, t in zip((5373, 6280, 9115), tokens)]
    sample = ("<NRPROBKI>", "<TIPOB>", "<STEZENIEXI>")
    return {
        "KestrinHead": head,
        "KestrinTask": row_units(Row([Cell(4239, P("<CZYNNOSCH>"), "first")] + values(sample, "TLR")), False),
        "KestrinTaskSolo": row_units(Row([Cell(4239, P("<CZYNNOSCH>"), top=True)] + values(sample, "TLBR")), False),
        "KestrinLimit": row_units(Row([Cell(6280, P("Granica oznaczalno\u015bci [mg]", "l", 18), borders="LBR"),
                                       Cell(9115, P("<OZNACZALNOSC>", "l", 18), borders="LBR")]), False),
        "KestrinCont": row_units(Row([Cell(4239, P(), "cont")] + values(sample, "LR")), False),
        "KestrinBlank": row_units(Row([Cell(4239, P(), "cont")] + values(("", "", ""), "LR")), False),
    }


# Wide chemical family, rows centred on the page.
KW_ASSESS = (7244, 8321, 9285, 10362, 11439, 12516, 13367, 14218)


def kestrin_wide():
    R = lambda cells: Row(cells, centred=True)
    head = heading_block(TITLE_CHEM, LABELS_WIDE, 14034, None, [
        R([Cell(3162, BADANE, "first"), Cell(5090, c(NR_I_CZAS, size=18), "first"),
           Cell(6167, c("st\u0119\u017cenie X " + MG_M3), "first"),
           Cell(14218, [P("*OCENA NARA\u017bENIA*", "c", None, 2)])]),
        R([Cell(3162, c(""), "cont"), Cell(5090, c(""), "cont"), Cell(6167, c(""), "cont"),
           Cell(7244, c("Wska\u017anik nara\u017cenia *C_w_* " + MG_M3), "first"),
           Cell(8321, c("Norma NDS " + MG_M3), "first"),
           Cell(9285, c(KROTNOSC), "first"),
           Cell(11439, c("Najwy\u017csze st\u0119\u017cenie chwilowe " + MG_M3)),
           Cell(12516, c("Norma NDSCh " + MG_M3), "first"),
           Cell(14218, c("Krotno\u015b\u0107 NDSCh"), "first")]),
        R([Cell(3162, c(""), "cont"), Cell(4126, c("Nr")), Cell(5090, c("T_i_ [min]"))]
          + [Cell(x, c(""), "cont") for x in (6167, 7244, 8321, 9285)]
          + [Cell(10362, c("*X_15_*")), Cell(11439, c("*X_15_*"))]
          + [Cell(x, c(""), "cont") for x in (12516, 14218)]),
    ])
    station = R([
        Cell(327, c("<LP>"), "first", top=True),
        Cell(4126, [P("*<STANOWISKOH>*"), P("<MIEJSCEBADANH>"), P("<RODZAJPYL>")], top=True),
        Cell(6167, P("Granica oznaczalno\u015bci <OZNACZALNOSC> mg", "l", 18), top=True),
    ] + [Cell(x, c(t), borders="TLR") for x, t in zip(KW_ASSESS, (
        "*<CW> <UCW>*", "<NDS>", "<KNDS>", "*<CH1> <UCH1>*", "*<CH2> <UCH2>*", "<NDSCH>", "<KNDSCH1>", "<KNDSCH2>"))])

    def task(merge, tokens, borders):
        return row_units(R([Cell(327, c(""), "cont"),
                            Cell(3162, P(tokens[0]), merge, top=True)]
                           + [Cell(x, c(t, size=18), borders=borders) for x, t in zip((4126, 5090, 6167), tokens[1:])]
                           + [Cell(x, c(""), shade=True) for x in KW_ASSESS]), False)
    sample = ("<NRPROBKI>", "<TIPOB>", "<STEZENIEXI>")
    return {
        "KestrinWideHead": head,
        "KestrinWideStation": row_units(station, False),
        "KestrinWideTask": task("first", ("<CZYNNOSCH>",) + sample, "TLR"),
        "KestrinWideCont": task("cont", ("",) + sample, "LR"),
        "KestrinWideContEnd": task("cont", ("",) + sample, "LBR"),
        "KestrinWideBlank": task("cont", ("", "", "", ""), "LBR"),
    }


# Wide dust family.
FW_ASSESS = (9343, 10250, 11199, 12348, 13255, 14162)


def falmor_wide():
    head = heading_block(TITLE_DUST, LABELS_WIDE, 14175, None, [
        Row([Cell(3502, BADANE, "first"), Cell(5600, c(NR_I_CZAS, size=20), "first"),
             Cell(6804, c("FRAKCJA WDYCHALNA " + MG_M3), "first"),
             Cell(8222, c("W\u0141\u00d3KNA RESPIRABILNE " + WL_CM3), "first"),
             Cell(14162, [P("*OCENA NARA\u017bENIA*", "c", None, 2)])]),
        Row([Cell(x, c(""), "cont") for x in (3502, 5600, 6804, 8222)]
            + [Cell(11199, [P("*FRAKCJA WDYCHALNA*", "c", None, 2)]),
               Cell(14162, c("*W\u0141\u00d3KNA RESPIRABILNE*"))]),
        Row([Cell(3502, c(""), "cont"), Cell(4636, c("Nr")), Cell(5600, c("T_i_ [min]")),
             Cell(6804, c(""), "cont"), Cell(8222, c(""), "cont"),
             Cell(9343, c("Wska\u017anik nara\u017cenia C_w_ " + MG_M3)),
             Cell(10250, c("Norma NDS " + MG_M3)), Cell(11199, c(KROTNOSC)),
             Cell(12348, c("Wska\u017anik nara\u017cenia C_w_ " + WL_CM3)),
             Cell(13255, c("Norma NDS " + WL_CM3)), Cell(14162, c(KROTNOSC))]),
        Row([Cell(8222, c("Granica oznaczalno\u015bci analizy wagowej", size=18, align="l")),
             Cell(11199, c("wagowej <OZNACZALNOSC> [mg]", size=18, align="l")),
             Cell(14162, c("mikroskopowej <OZNACZALNOSCW>[w\u0142./mm^2^]", size=18, align="l"))]),
    ])
    station = Row([
        Cell(327, P("<LP>"), "first", top=True),
        Cell(8222, [P("*<STANOWISKOH>*"), P("<MIEJSCEBADANH>"), P("<RODZAJPYL>", "j", 18)]),
    ] + [Cell(x, c(t), borders="TLR") for x, t in zip(FW_ASSESS, (
        "*<CWC> <UCWC>*", "<NDSC>", "<KNDSC>", "*<CWR> <UCWR>*", "<NDSR>", "<KNDSR>"))])

    def task(merge, tokens, borders):
        sizes = (18, 18, None, None)
        return row_units(Row([Cell(327, c(""), "cont"), Cell(3502, P(tokens[0]), merge, top=True)]
                             + [Cell(x, c(t, size=s), borders=borders)
                                for x, t, s in zip((4636, 5600, 6804, 8222), tokens[1:], sizes)]
                             + [Cell(x, c(""), shade=True) for x in FW_ASSESS]), False)
    sample = ("<NRPROBKI>", "<TIPOB>", "<STEZENIEXIC>", "<STEZENIEXIR>")
    return {
        "FalmorWideHead": head,
        "FalmorWideStation": row_units(station, False),
        "FalmorWideTask": task("first", ("<CZYNNOSCH>",) + sample, "TLR"),
        "FalmorWideCont": task("cont", ("",) + sample, "LR"),
        "FalmorWideContEnd": task("cont", ("", "", "", "", ""), "LBR"),
    }


# Narrow dust family: activity 3969, Nr 4962, Ti 5954, inhalable 7513, respirable 9115.
def falmor():
    w = 30
    head = heading_block(TITLE_DUST, LABELS_NARROW + [("Okre\u015blenie py\u0142u:", "<RODZAJPYL>")], 9140, 16, [
        Row([Cell(3969, BADANE, "first", width=w),
             Cell(5954, c(NR_I_CZAS, size=18), width=w),
             Cell(7513, c("*FRAKCJA WDYCHALNA* " + MG_M3), "first", "TLR", w),
             Cell(9115, c("*W\u0141\u00d3KNA RESPIRABILNE* " + WL_CM3), "first", "TLR", w)]),
        Row([Cell(3969, c(""), "cont", width=w), Cell(4962, c("Nr"), width=w),
             Cell(5954, c("T_i_ [min]"), width=w),
             Cell(7513, c(""), "cont", "LBR", w), Cell(9115, c(""), "cont", "LBR", w)]),
    ])

    def values(tokens, sizes, borders):
        return [Cell(x, c(t, size=s), borders=borders) for x, t, s in zip((4962, 5954, 7513, 9115), tokens, sizes)]
    sample = ("<NRPROBKI>", "<TIPOB>", "<STEZENIEXIC>", "<STEZENIEXIR>")
    none = (None,) * 4
    return {
        "FalmorHead": head,
        "FalmorTask": row_units(Row([Cell(3969, P("<CZYNNOSCH>"), "first")]
                                    + values(sample, (18, 18, None, None), "TLR")), False),
        "FalmorLimit": row_units(Row([Cell(5954, P("Granica oznaczalno\u015bci analizy", "l", 18), borders="LR"),
                                      Cell(7513, P("wagowej <OZNACZALNOSC> mg"), borders="LR"),
                                      Cell(9115, P("mikroskopowej<OZNACZALNOSCW> w\u0142./mm^2^"), borders="LR")]),
                                 False),
        "FalmorCont": row_units(Row([Cell(3969, P(), "cont")] + values(sample, none, "LR")), False),
        "FalmorBlank": row_units(Row([Cell(3969, P(), "cont")] + values(("",) * 4, none, "LR")), False),
    }


ORDER = ["KestrinHead", "KestrinTask", "KestrinTaskSolo", "KestrinLimit", "KestrinCont", "KestrinBlank",
         "KestrinWideHead", "KestrinWideStation", "KestrinWideTask", "KestrinWideCont", "KestrinWideContEnd",
         "KestrinWideBlank", "FalmorWideHead", "FalmorWideStation", "FalmorWideTask", "FalmorWideCont",
         "FalmorWideContEnd", "FalmorHead", "FalmorTask", "FalmorLimit", "FalmorCont", "FalmorBlank"]

# Entries 1 to 4 end at their last brace; 8, 13 and 20 with an empty line.
ENDINGS = {1: "", 2: "", 3: "", 4: "", 8: "\r\n\r\n", 13: "\r\n\r\n", 20: "\r\n\r\n"}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    units = {}
    for family in (kestrin, kestrin_wide, falmor_wide, falmor):
        units.update(family())
    assert sorted(units) == sorted(ORDER)
    for n, name in enumerate(ORDER, 1):
        lines = [line for u in units[name] for line in wrap(u)]
        data = "\r\n".join(lines) + ENDINGS.get(n, "\r\n")
        with open(os.path.join(here, name + ".rtf"), "wb") as f:
            f.write(data.encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
