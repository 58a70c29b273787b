// The 22 report-template fragments in resources/templates, held against the
// fragment format and against the table layout each one must produce.
//
// The format checks work on the bytes; the layout checks read each fragment
// with the small RTF reader of rtf_reader.cpp and compare what it builds
// (paragraphs, rows, cells) with the expected layout written out below as
// data, one table per family. Texts in the expected data use a small markup:
// *bold*, ^superscript^, _subscript_.
#include "rtf_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#ifndef TEMPLATES_DIR
#error "TEMPLATES_DIR must name the resources/templates folder"
#endif

namespace {

// ---- the set ------------------------------------------------------------------

struct Entry {
    int n;
    const char* name;
};

// Deployment order; the file names are the destination names.
const Entry kEntries[] = {
    {1, "KestrinHead"},        {2, "KestrinTask"},         {3, "KestrinTaskSolo"},    {4, "KestrinLimit"},
    {5, "KestrinCont"},        {6, "KestrinBlank"},        {7, "KestrinWideHead"},    {8, "KestrinWideStation"},
    {9, "KestrinWideTask"},    {10, "KestrinWideCont"},    {11, "KestrinWideContEnd"}, {12, "KestrinWideBlank"},
    {13, "FalmorWideHead"},    {14, "FalmorWideStation"},  {15, "FalmorWideTask"},    {16, "FalmorWideCont"},
    {17, "FalmorWideContEnd"}, {18, "FalmorHead"},         {19, "FalmorTask"},        {20, "FalmorLimit"},
    {21, "FalmorCont"},        {22, "FalmorBlank"},
};

bool isHeading(int n) { return n == 1 || n == 7 || n == 13 || n == 18; }

std::string ending(int n) {
    if (n <= 4) return "";
    if (n == 8 || n == 13 || n == 20) return "\r\n\r\n";
    return "\r\n";
}

std::string readFragment(const std::string& name) {
    std::string path = std::string(TEMPLATES_DIR) + "/" + name + ".rtf";
    std::string data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        std::size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, got);
        std::fclose(f);
    } else {
        ADD_FAILURE() << "cannot open " << path;
    }
    return data;
}

struct TokenUse {
    const char* token;
    std::set<int> entries;
};

const TokenUse kTokens[] = {
    {"<NRTABELI>", {1, 7, 13, 18}},
    {"<KLIENTNAZWAH>", {1, 7, 13, 18}},
    {"<MIEJSCEBADANH>", {1, 8, 14, 18}},
    {"<STANOWISKOH>", {1, 8, 14, 18}},
    {"<DATABADANH>", {1, 7, 13, 18}},
    {"<DATAOBLICZENH>", {1, 7, 13, 18}},
    {"<RODZAJPYL>", {1, 8, 14, 18}},
    {"<PODWYKONASTWOH>", {1, 7, 13, 18}},
    {"<CZYNNOSCH>", {2, 3, 9, 15, 19}},
    {"<NRPROBKI>", {2, 3, 5, 9, 10, 11, 15, 16, 19, 21}},
    {"<TIPOB>", {2, 3, 5, 9, 10, 11, 15, 16, 19, 21}},
    {"<STEZENIEXI>", {2, 3, 5, 9, 10, 11}},
    {"<STEZENIEXIC>", {15, 16, 19, 21}},
    {"<STEZENIEXIR>", {15, 16, 19, 21}},
    {"<OZNACZALNOSC>", {4, 8, 13, 20}},
    {"<OZNACZALNOSCW>", {13, 20}},
    {"<LP>", {8, 14}},
    {"<CW>", {8}},
    {"<UCW>", {8}},
    {"<NDS>", {8}},
    {"<KNDS>", {8}},
    {"<CH1>", {8}},
    {"<UCH1>", {8}},
    {"<CH2>", {8}},
    {"<UCH2>", {8}},
    {"<NDSCH>", {8}},
    {"<KNDSCH1>", {8}},
    {"<KNDSCH2>", {8}},
    {"<CWC>", {14}},
    {"<UCWC>", {14}},
    {"<NDSC>", {14}},
    {"<KNDSC>", {14}},
    {"<CWR>", {14}},
    {"<UCWR>", {14}},
    {"<NDSR>", {14}},
    {"<KNDSR>", {14}},
};

// Control words a fragment may use, with the values it may give them.
// An empty list means the word takes no parameter; kAny, any parameter.
const std::vector<long> kAny = {-1};
const std::map<std::string, std::vector<long>> kWords = {
    {"pard", {}},         {"plain", {}},        {"par", {}},         {"intbl", {}},
    {"qc", {}},           {"qj", {}},           {"nowidctlpar", {}}, {"widctlpar", {}},
    {"adjustright", {}},  {"cgrid", {}},        {"lang", {1045}},    {"b", {}},
    {"super", {}},        {"sub", {}},          {"cf", {15}},        {"fs", {16, 18, 20}},
    {"f", {16}},          {"s", {2, 3, 15}},    {"keepn", {}},       {"outlinelevel", {1, 2}},
    {"trowd", {}},        {"row", {}},          {"cell", {}},        {"trgaph", {70}},
    {"trleft", {-70}},    {"trrh", {320}},      {"trkeep", {}},      {"trqc", {}},
    {"trbrdrt", {}},      {"trbrdrl", {}},      {"trbrdrb", {}},     {"trbrdrr", {}},
    {"trbrdrh", {}},      {"trbrdrv", {}},      {"clbrdrt", {}},     {"clbrdrl", {}},
    {"clbrdrb", {}},      {"clbrdrr", {}},      {"brdrs", {}},       {"brdrw", {10, 30}},
    {"clvmgf", {}},       {"clvmrg", {}},       {"clvertalc", {}},   {"clvertalt", {}},
    {"clcbpat", {8}},     {"clshdng", {1500}},  {"cltxlrtb", {}},    {"cellx", kAny},
};

const char* const kDocumentWords[] = {"rtf", "ansi", "ansicpg", "deff", "fonttbl", "colortbl", "stylesheet", "info"};

// ---- format -------------------------------------------------------------------

bool isUpperAlnum(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// Every rule of the fragment format that the bytes alone decide.
std::vector<std::string> formatProblems(int n, const std::string& s) {
    std::vector<std::string> out;
    auto where = [](std::size_t i) { return " at byte " + std::to_string(i); };

    // Printable ASCII, CR LF pairs, line length, line breaks at harmless places.
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\r') {
            if (i + 1 >= s.size() || s[i + 1] != '\n') out.push_back("CR without LF" + where(i));
            if (i - lineStart > 269) out.push_back("line of " + std::to_string(i - lineStart) + " characters" + where(i));
            if (i > 0 && s[i - 1] == '\\') out.push_back("line break right after a backslash" + where(i));
            std::size_t j = i;
            while (j > 0 && isWordChar(s[j - 1])) --j;
            if (j < i && j > 0 && s[j - 1] == '\\' && i + 2 < s.size() && isWordChar(s[i + 2]))
                out.push_back("line break splits a control word from the letters after it" + where(i));
            lineStart = i + 2;
        } else if (c == '\n') {
            if (i == 0 || s[i - 1] != '\r') out.push_back("LF without CR" + where(i));
        } else if (c < 0x20 || c > 0x7E) {
            out.push_back("byte " + std::to_string(c) + " is not printable ASCII" + where(i));
        }
    }
    if (s.size() - lineStart > 269) out.push_back("last line too long");

    // Ending.
    std::string end = "}" + ending(n);
    if (s.size() < end.size() || s.compare(s.size() - end.size(), end.size(), end) != 0)
        out.push_back("does not end with the closing brace followed by " + std::to_string(ending(n).size() / 2) +
                      " CR LF");

    // Tokens: every angle bracket belongs to a listed token, each listed token
    // stands exactly in its entries, once.
    std::map<std::string, int> found;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '>') out.push_back("angle bracket outside a token" + where(i));
        if (s[i] != '<') continue;
        std::size_t j = i + 1;
        while (j < s.size() && isUpperAlnum(s[j])) ++j;
        if (j == i + 1 || j >= s.size() || s[j] != '>') {
            out.push_back("angle bracket outside a token" + where(i));
            continue;
        }
        ++found[s.substr(i, j - i + 1)];
        i = j;
    }
    for (const auto& [token, count] : found) {
        bool listed = false;
        for (const TokenUse& u : kTokens) listed = listed || token == u.token;
        if (!listed) out.push_back("unknown token " + token);
    }
    for (const TokenUse& u : kTokens) {
        int want = u.entries.count(n) ? 1 : 0;
        int have = found.count(u.token) ? found[u.token] : 0;
        if (have != want)
            out.push_back(std::string(u.token) + " found " + std::to_string(have) + " times, expected " +
                          std::to_string(want));
    }

    // Escapes, braces and control words.
    std::vector<std::string> errors;
    auto tokens = rtf::tokenize(s, errors);
    for (const std::string& e : errors) out.push_back(e);
    int depth = 0;
    bool bracesBroken = false;
    int trowd = 0, row = 0;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const rtf::Token& t = tokens[k];
        if (t.kind == rtf::Token::Open) ++depth;
        if (t.kind == rtf::Token::Close && --depth < 0 && !bracesBroken) {
            out.push_back("closing brace without an opening one" + where(t.offset));
            bracesBroken = true;
        }
        if (t.kind == rtf::Token::Symbol) {
            bool brace = t.ch == '{' || t.ch == '}';
            out.push_back(std::string(brace ? "escaped brace" : "control symbol") + where(t.offset));
        }
        if (t.kind == rtf::Token::Hex) {
            std::string written = s.substr(t.offset, 4);
            char lower[5];
            std::snprintf(lower, sizeof lower, "\\'%02x", t.ch);
            if (rtf::polishLetter(t.ch).empty() || written != lower)
                out.push_back("escape " + written + " is not one of the twelve" + where(t.offset));
        }
        if (t.kind != rtf::Token::Word) continue;
        if (std::find(std::begin(kDocumentWords), std::end(kDocumentWords), t.word) != std::end(kDocumentWords))
            out.push_back("document-level word \\" + t.word + where(t.offset));
        auto rule = kWords.find(t.word);
        if (rule == kWords.end()) {
            out.push_back("control word \\" + t.word + " not used by the fragments" + where(t.offset));
        } else if (rule->second.empty() ? t.hasParam
                                        : !t.hasParam || (rule->second != kAny &&
                                                          std::find(rule->second.begin(), rule->second.end(),
                                                                    t.param) == rule->second.end())) {
            out.push_back("\\" + t.word + (t.hasParam ? std::to_string(t.param) : "") + " has a value not in use" +
                          where(t.offset));
        }
        trowd += t.word == "trowd";
        row += t.word == "row";
        if (t.word == "plain") {  // \lang1045 and \cgrid follow before any text
            bool lang = false, cgrid = false;
            for (std::size_t m = k + 1; m < tokens.size(); ++m) {
                const rtf::Token& u = tokens[m];
                if (u.kind == rtf::Token::Text || u.kind == rtf::Token::Hex ||
                    (u.kind == rtf::Token::Word && (u.word == "plain" || u.word == "pard" || u.word == "par" ||
                                                    u.word == "cell" || u.word == "row")))
                    break;
                lang = lang || (u.kind == rtf::Token::Word && u.word == "lang" && u.param == 1045);
                cgrid = cgrid || (u.kind == rtf::Token::Word && u.word == "cgrid");
            }
            if (!lang || !cgrid) out.push_back("\\plain without \\lang1045 and \\cgrid after it" + where(t.offset));
        }
    }
    if (depth != 0 && !bracesBroken) out.push_back("braces do not balance");

    // Kind: start and end.
    if (isHeading(n)) {
        if (s.rfind("\\pard\\plain", 0) != 0) out.push_back("heading block does not start with \\pard\\plain");
    } else {
        if (s.rfind("\\trowd", 0) != 0) out.push_back("row fragment does not start with \\trowd");
        if (trowd != 1 || row != 1) out.push_back("row fragment does not hold exactly one \\trowd and one \\row");
    }
    std::size_t lastWord = tokens.size();
    for (std::size_t k = 0; k < tokens.size(); ++k)
        if (tokens[k].kind == rtf::Token::Word) lastWord = k;
    if (lastWord == tokens.size() || tokens[lastWord].word != "row" || lastWord + 2 != tokens.size() ||
        tokens.back().kind != rtf::Token::Close)
        out.push_back("the last control word is not \\row followed by the closing brace");

    // What only a reader can tell: font 16 for all text, and the properties
    // every paragraph, row and cell carries.
    rtf::Document doc = rtf::read(s);
    for (const std::string& e : doc.errors) out.push_back("reader: " + e);
    auto checkParagraph = [&](const rtf::Paragraph& p, const std::string& what) {
        if (!(p.nowidctlpar || p.widctlpar) || !p.adjustright)
            out.push_back(what + " lacks \\nowidctlpar/\\widctlpar or \\adjustright");
        for (const rtf::Run& r : p.runs)
            if (r.font != 16) out.push_back(what + ": text \"" + r.text + "\" not in font 16");
    };
    for (std::size_t i = 0; i < doc.items.size(); ++i) {
        const rtf::Item& it = doc.items[i];
        std::string what = "item " + std::to_string(i + 1);
        if (!it.isRow) {
            checkParagraph(it.para, what);
            continue;
        }
        const rtf::RowDef& d = it.row.def;
        if (d.gaph != 70 || d.left != -70) out.push_back(what + ": row without \\trgaph70\\trleft-70");
        checkParagraph(it.row.end, what + " row end");
        for (std::size_t c = 0; c < it.row.cells.size(); ++c) {
            const rtf::Cell& cell = it.row.cells[c];
            std::string cw = what + " cell " + std::to_string(c + 1);
            if (!cell.def.txlrtb) out.push_back(cw + " without \\cltxlrtb");
            if (!cell.def.valign) out.push_back(cw + " without \\clvertalc or \\clvertalt");
            for (const rtf::Paragraph& p : cell.paras) checkParagraph(p, cw);
        }
    }
    return out;
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += "\n  " + x;
    return s;
}

// ---- expected layout ----------------------------------------------------------

// A paragraph: markup text, alignment, size in half-points (0: none set),
// paragraph style, and whether its text is an information-table label (colour 15).
struct PX {
    std::u8string markup;
    char align = 'l';
    int size = 0;
    int style = 0;
    bool label = false;
};

PX L(std::u8string m, int size = 0) { return {std::move(m), 'l', size}; }
PX C(std::u8string m, int size = 0) { return {std::move(m), 'c', size}; }
PX J(std::u8string m, int size = 0) { return {std::move(m), 'j', size}; }
PX Styled(std::u8string m, int style, int size = 0) { return {std::move(m), 'c', size, style}; }

// A cell: right boundary and a format of space-separated words: vmgf, vmrg,
// top, shade, the bordered sides (e.g. TLBR, or none), w30 for 30-twip borders.
struct CX {
    int right;
    std::string format;
    std::vector<PX> paras;
};

struct RX {
    enum Kind { Info, Results } kind = Results;
    bool keep = true;
    bool centred = false;
    std::vector<CX> cells;
};

struct IX {
    bool isRow;
    PX para;
    RX row;
};

IX Par(PX p) { return {false, std::move(p), {}}; }
IX Results(std::vector<CX> cells, bool centred = false) { return {true, {}, {RX::Results, true, centred, std::move(cells)}}; }

const std::u8string kBadane = u8"*BADANE CZYNNOŚCI ZAWODOWE*";
const std::u8string kNrICzas = u8"Nr i czas pobierania próbki";
const std::u8string kChem = u8"stężenia czynników chemicznych ";
const std::u8string kDust = u8"stężenia frakcji wdychalnej i włókien respirabilnych pyłu ";

std::vector<PX> badane() { return {Styled(kBadane, 15, 20), C(u8"- zadania")}; }

using Labels = std::vector<std::pair<std::u8string, std::u8string>>;
const Labels kNarrowLabels = {
    {u8"Klient:", u8"*<KLIENTNAZWAH>*"},
    {u8"Miejsce wykonania pomiarów:", u8"<MIEJSCEBADANH>"},
    {u8"Stanowisko pracy:", u8"*<STANOWISKOH>*"},
    {u8"data wykonania pomiarów:", u8"<DATABADANH>"},
    {u8"data wykonania obliczeń:", u8"<DATAOBLICZENH>"},
};
const Labels kWideLabels = {kNarrowLabels[0], kNarrowLabels[3], kNarrowLabels[4]};

// Title, 8 pt gap, information table, gap, then the family's heading rows.
std::vector<IX> headingBlock(const std::u8string& subject, const Labels& labels, int edge, int gapSize,
                             const std::vector<IX>& headingRows) {
    std::vector<IX> v;
    v.push_back(Par(C(u8"*TABELA <NRTABELI>. *Wyniki pomiarów *" + subject + u8"*na stanowisku pracy.", 20)));
    v.push_back(Par(L(u8"", 16)));
    for (const auto& [label, value] : labels) {
        PX l = L(u8"*" + label + u8"*");
        l.label = true;
        v.push_back({true, {}, {RX::Info, false, false, {{2410, "none", {l}}, {edge, "none", {L(value)}}}}});
    }
    v.push_back({true, {}, {RX::Info, true, false, {{edge, "none", {L(u8"<PODWYKONASTWOH>")}}}}});
    v.push_back(Par(L(u8"", gapSize)));
    v.insert(v.end(), headingRows.begin(), headingRows.end());
    return v;
}

struct Family {
    const char* name;
    std::vector<int> entries;
    std::vector<int> columns;  // results-column boundaries, heading rows included
};

const Family kFamilies[] = {
    {"narrow chemical", {1, 2, 3, 4, 5, 6}, {4239, 5373, 6280, 9115}},
    {"wide chemical",
     {7, 8, 9, 10, 11, 12},
     {327, 3162, 4126, 5090, 6167, 7244, 8321, 9285, 10362, 11439, 12516, 13367, 14218}},
    {"wide dust", {13, 14, 15, 16, 17}, {327, 3502, 4636, 5600, 6804, 8222, 9343, 10250, 11199, 12348, 13255, 14162}},
    {"narrow dust", {18, 19, 20, 21, 22}, {3969, 4962, 5954, 7513, 9115}},
};

std::vector<CX> shaded(std::initializer_list<int> rights) {
    std::vector<CX> v;
    for (int r : rights) v.push_back({r, "TLBR shade", {C(u8"")}});
    return v;
}

std::vector<CX> operator+(std::vector<CX> a, const std::vector<CX>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::map<int, std::vector<IX>> expectedLayout() {
    std::map<int, std::vector<IX>> e;
    const std::u8string mgm3 = u8"[mg/m^3^]", wlcm3 = u8"[wł./cm^3^]";

    // Narrow chemical.
    Labels narrowChem = kNarrowLabels;
    narrowChem.push_back({u8"Określenie czynnika:", u8"<RODZAJPYL>"});
    e[1] = headingBlock(kChem, narrowChem, 9140, 16, {
        Results({{4239, "vmgf TLBR w30", badane()},
                 {6280, "TLBR w30", {C(kNrICzas, 18)}},
                 {9115, "vmgf TLBR w30", {Styled(u8"*Oznaczany czynnik*", 3), C(u8"stężenie X " + mgm3)}}}),
        Results({{4239, "vmrg TLBR w30", {C(u8"")}},
                 {5373, "TLBR w30", {C(u8"Nr")}},
                 {6280, "TLBR w30", {C(u8"T_i_ [min]")}},
                 {9115, "vmrg TLBR w30", {C(u8"")}}}),
    });
    auto chemValues = [](const char* borders, bool tokens) {
        std::string b = borders;
        return std::vector<CX>{{5373, b, {C(tokens ? u8"<NRPROBKI>" : u8"", 18)}},
                               {6280, b, {C(tokens ? u8"<TIPOB>" : u8"", 18)}},
                               {9115, b, {C(tokens ? u8"<STEZENIEXI>" : u8"", 18)}}};
    };
    e[2] = {Results(std::vector<CX>{{4239, "vmgf TLBR", {L(u8"<CZYNNOSCH>")}}} + chemValues("TLR", true))};
    e[3] = {Results(std::vector<CX>{{4239, "top TLBR", {L(u8"<CZYNNOSCH>")}}} + chemValues("TLBR", true))};
    e[4] = {Results({{6280, "LBR", {L(u8"Granica oznaczalności [mg]", 18)}}, {9115, "LBR", {L(u8"<OZNACZALNOSC>", 18)}}})};
    e[5] = {Results(std::vector<CX>{{4239, "vmrg TLBR", {L(u8"")}}} + chemValues("LR", true))};
    e[6] = {Results(std::vector<CX>{{4239, "vmrg TLBR", {L(u8"")}}} + chemValues("LR", false))};

    // Wide chemical: every results row centred on the page.
    const bool centred = true;
    e[7] = headingBlock(kChem, kWideLabels, 14034, 0, {
        Results({{3162, "vmgf TLBR", badane()},
                 {5090, "vmgf TLBR", {C(kNrICzas, 18)}},
                 {6167, "vmgf TLBR", {C(u8"stężenie X " + mgm3)}},
                 {14218, "TLBR", {Styled(u8"*OCENA NARAŻENIA*", 2)}}}, centred),
        Results({{3162, "vmrg TLBR", {C(u8"")}},
                 {5090, "vmrg TLBR", {C(u8"")}},
                 {6167, "vmrg TLBR", {C(u8"")}},
                 {7244, "vmgf TLBR", {C(u8"Wskaźnik narażenia *C_w_* " + mgm3)}},
                 {8321, "vmgf TLBR", {C(u8"Norma NDS " + mgm3)}},
                 {9285, "vmgf TLBR", {C(u8"Krotność NDS")}},
                 {11439, "TLBR", {C(u8"Najwyższe stężenie chwilowe " + mgm3)}},
                 {12516, "vmgf TLBR", {C(u8"Norma NDSCh " + mgm3)}},
                 {14218, "vmgf TLBR", {C(u8"Krotność NDSCh")}}}, centred),
        Results({{3162, "vmrg TLBR", {C(u8"")}},
                 {4126, "TLBR", {C(u8"Nr")}},
                 {5090, "TLBR", {C(u8"T_i_ [min]")}},
                 {6167, "vmrg TLBR", {C(u8"")}},
                 {7244, "vmrg TLBR", {C(u8"")}},
                 {8321, "vmrg TLBR", {C(u8"")}},
                 {9285, "vmrg TLBR", {C(u8"")}},
                 {10362, "TLBR", {C(u8"*X_15_*")}},
                 {11439, "TLBR", {C(u8"*X_15_*")}},
                 {12516, "vmrg TLBR", {C(u8"")}},
                 {14218, "vmrg TLBR", {C(u8"")}}}, centred),
    });
    e[8] = {Results({{327, "vmgf top TLBR", {C(u8"<LP>")}},
                     {4126, "top TLBR", {L(u8"*<STANOWISKOH>*"), L(u8"<MIEJSCEBADANH>"), L(u8"<RODZAJPYL>")}},
                     {6167, "top TLBR", {L(u8"Granica oznaczalności <OZNACZALNOSC> mg", 18)}},
                     {7244, "TLR", {C(u8"*<CW> <UCW>*")}},
                     {8321, "TLR", {C(u8"<NDS>")}},
                     {9285, "TLR", {C(u8"<KNDS>")}},
                     {10362, "TLR", {C(u8"*<CH1> <UCH1>*")}},
                     {11439, "TLR", {C(u8"*<CH2> <UCH2>*")}},
                     {12516, "TLR", {C(u8"<NDSCH>")}},
                     {13367, "TLR", {C(u8"<KNDSCH1>")}},
                     {14218, "TLR", {C(u8"<KNDSCH2>")}}}, centred)};
    auto wideChem = [&](const char* activityMerge, std::u8string activity, const char* borders, bool tokens) {
        std::string b = borders;
        std::vector<CX> cells = {{327, "vmrg TLBR", {C(u8"")}},
                                 {3162, std::string(activityMerge) + " top TLBR", {L(std::move(activity))}},
                                 {4126, b, {C(tokens ? u8"<NRPROBKI>" : u8"", 18)}},
                                 {5090, b, {C(tokens ? u8"<TIPOB>" : u8"", 18)}},
                                 {6167, b, {C(tokens ? u8"<STEZENIEXI>" : u8"", 18)}}};
        return std::vector<IX>{
            Results(cells + shaded({7244, 8321, 9285, 10362, 11439, 12516, 13367, 14218}), centred)};
    };
    e[9] = wideChem("vmgf", u8"<CZYNNOSCH>", "TLR", true);
    e[10] = wideChem("vmrg", u8"", "LR", true);
    e[11] = wideChem("vmrg", u8"", "LBR", true);
    e[12] = wideChem("vmrg", u8"", "LBR", false);

    // Wide dust.
    e[13] = headingBlock(kDust, kWideLabels, 14175, 0, {
        Results({{3502, "vmgf TLBR", badane()},
                 {5600, "vmgf TLBR", {C(kNrICzas, 20)}},
                 {6804, "vmgf TLBR", {C(u8"FRAKCJA WDYCHALNA " + mgm3)}},
                 {8222, "vmgf TLBR", {C(u8"WŁÓKNA RESPIRABILNE " + wlcm3)}},
                 {14162, "TLBR", {Styled(u8"*OCENA NARAŻENIA*", 2)}}}),
        Results({{3502, "vmrg TLBR", {C(u8"")}},
                 {5600, "vmrg TLBR", {C(u8"")}},
                 {6804, "vmrg TLBR", {C(u8"")}},
                 {8222, "vmrg TLBR", {C(u8"")}},
                 {11199, "TLBR", {Styled(u8"*FRAKCJA WDYCHALNA*", 2)}},
                 {14162, "TLBR", {C(u8"*WŁÓKNA RESPIRABILNE*")}}}),
        Results({{3502, "vmrg TLBR", {C(u8"")}},
                 {4636, "TLBR", {C(u8"Nr")}},
                 {5600, "TLBR", {C(u8"T_i_ [min]")}},
                 {6804, "vmrg TLBR", {C(u8"")}},
                 {8222, "vmrg TLBR", {C(u8"")}},
                 {9343, "TLBR", {C(u8"Wskaźnik narażenia C_w_ " + mgm3)}},
                 {10250, "TLBR", {C(u8"Norma NDS " + mgm3)}},
                 {11199, "TLBR", {C(u8"Krotność NDS")}},
                 {12348, "TLBR", {C(u8"Wskaźnik narażenia C_w_ " + wlcm3)}},
                 {13255, "TLBR", {C(u8"Norma NDS " + wlcm3)}},
                 {14162, "TLBR", {C(u8"Krotność NDS")}}}),
        Results({{8222, "TLBR", {L(u8"Granica oznaczalności analizy wagowej", 18)}},
                 {11199, "TLBR", {L(u8"wagowej <OZNACZALNOSC> [mg]", 18)}},
                 {14162, "TLBR", {L(u8"mikroskopowej <OZNACZALNOSCW>[wł./mm^2^]", 18)}}}),
    });
    e[14] = {Results({{327, "vmgf top TLBR", {L(u8"<LP>")}},
                      {8222, "TLBR", {L(u8"*<STANOWISKOH>*"), L(u8"<MIEJSCEBADANH>"), J(u8"<RODZAJPYL>", 18)}},
                      {9343, "TLR", {C(u8"*<CWC> <UCWC>*")}},
                      {10250, "TLR", {C(u8"<NDSC>")}},
                      {11199, "TLR", {C(u8"<KNDSC>")}},
                      {12348, "TLR", {C(u8"*<CWR> <UCWR>*")}},
                      {13255, "TLR", {C(u8"<NDSR>")}},
                      {14162, "TLR", {C(u8"<KNDSR>")}}})};
    auto wideDust = [&](const char* activityMerge, std::u8string activity, const char* borders, bool tokens) {
        std::string b = borders;
        std::vector<CX> cells = {{327, "vmrg TLBR", {C(u8"")}},
                                 {3502, std::string(activityMerge) + " top TLBR", {L(std::move(activity))}},
                                 {4636, b, {C(tokens ? u8"<NRPROBKI>" : u8"", 18)}},
                                 {5600, b, {C(tokens ? u8"<TIPOB>" : u8"", 18)}},
                                 {6804, b, {C(tokens ? u8"<STEZENIEXIC>" : u8"")}},
                                 {8222, b, {C(tokens ? u8"<STEZENIEXIR>" : u8"")}}};
        return std::vector<IX>{Results(cells + shaded({9343, 10250, 11199, 12348, 13255, 14162}))};
    };
    e[15] = wideDust("vmgf", u8"<CZYNNOSCH>", "TLR", true);
    e[16] = wideDust("vmrg", u8"", "LR", true);
    e[17] = wideDust("vmrg", u8"", "LBR", false);

    // Narrow dust.
    Labels narrowDust = kNarrowLabels;
    narrowDust.push_back({u8"Określenie pyłu:", u8"<RODZAJPYL>"});
    e[18] = headingBlock(kDust, narrowDust, 9140, 16, {
        Results({{3969, "vmgf TLBR w30", badane()},
                 {5954, "TLBR w30", {C(kNrICzas, 18)}},
                 {7513, "vmgf TLR w30", {C(u8"*FRAKCJA WDYCHALNA* " + mgm3)}},
                 {9115, "vmgf TLR w30", {C(u8"*WŁÓKNA RESPIRABILNE* " + wlcm3)}}}),
        Results({{3969, "vmrg TLBR w30", {C(u8"")}},
                 {4962, "TLBR w30", {C(u8"Nr")}},
                 {5954, "TLBR w30", {C(u8"T_i_ [min]")}},
                 {7513, "vmrg LBR w30", {C(u8"")}},
                 {9115, "vmrg LBR w30", {C(u8"")}}}),
    });
    auto dustValues = [](const char* borders, bool tokens, int nrSize) {
        std::string b = borders;
        return std::vector<CX>{{4962, b, {C(tokens ? u8"<NRPROBKI>" : u8"", nrSize)}},
                               {5954, b, {C(tokens ? u8"<TIPOB>" : u8"", nrSize)}},
                               {7513, b, {C(tokens ? u8"<STEZENIEXIC>" : u8"")}},
                               {9115, b, {C(tokens ? u8"<STEZENIEXIR>" : u8"")}}};
    };
    e[19] = {Results(std::vector<CX>{{3969, "vmgf TLBR", {L(u8"<CZYNNOSCH>")}}} + dustValues("TLR", true, 18))};
    e[20] = {Results({{5954, "LR", {L(u8"Granica oznaczalności analizy", 18)}},
                      {7513, "LR", {L(u8"wagowej <OZNACZALNOSC> mg")}},
                      {9115, "LR", {L(u8"mikroskopowej<OZNACZALNOSCW> wł./mm^2^")}}})};
    e[21] = {Results(std::vector<CX>{{3969, "vmrg TLBR", {L(u8"")}}} + dustValues("LR", true, 0))};
    e[22] = {Results(std::vector<CX>{{3969, "vmrg TLBR", {L(u8"")}}} + dustValues("LR", false, 0))};
    return e;
}

// ---- comparison ---------------------------------------------------------------

struct ExpectedRun {
    std::string text;
    bool bold, super, sub;
};

std::vector<ExpectedRun> parseMarkup(const std::u8string& m) {
    std::vector<ExpectedRun> runs;
    bool bold = false, super = false, sub = false;
    for (char8_t ch : m) {
        if (ch == u8'*' || ch == u8'^' || ch == u8'_') {
            if (ch == u8'*') bold = !bold;
            if (ch == u8'^') super = !super;
            if (ch == u8'_') sub = !sub;
            continue;
        }
        if (runs.empty() || runs.back().bold != bold || runs.back().super != super || runs.back().sub != sub)
            runs.push_back({"", bold, super, sub});
        runs.back().text += static_cast<char>(ch);
    }
    return runs;
}

std::string describe(const ExpectedRun& r) {
    return std::string(r.bold ? "bold " : "") + (r.super ? "super " : "") + (r.sub ? "sub " : "") + "\"" + r.text +
           "\"";
}

void compareParagraph(const rtf::Paragraph& a, const PX& e, bool inTable, const std::string& where,
                      std::vector<std::string>& out) {
    if (a.align != e.align)
        out.push_back(where + ": alignment " + std::string(1, a.align) + ", expected " + std::string(1, e.align));
    if (a.style != e.style)
        out.push_back(where + ": style " + std::to_string(a.style) + ", expected " + std::to_string(e.style));
    bool heading = e.style == 2 || e.style == 3;
    if (a.keepn != heading) out.push_back(where + ": \\keepn " + (a.keepn ? "set" : "missing"));
    int outline = e.style == 2 ? 1 : e.style == 3 ? 2 : -1;
    if (a.outline != outline)
        out.push_back(where + ": outline level " + std::to_string(a.outline) + ", expected " + std::to_string(outline));
    if (a.intbl != inTable) out.push_back(where + (inTable ? ": \\intbl missing" : ": \\intbl outside a table"));
    if (a.markSize != e.size)
        out.push_back(where + ": paragraph mark size " + std::to_string(a.markSize) + ", expected " +
                      std::to_string(e.size));

    std::vector<ExpectedRun> want = parseMarkup(e.markup);
    std::string got, expected;
    for (const rtf::Run& r : a.runs)
        got += " " + describe({r.text, r.bold, r.super, r.sub});
    for (const ExpectedRun& r : want) expected += " " + describe(r);
    if (got != expected) out.push_back(where + ": text" + got + ", expected" + expected);
    for (const rtf::Run& r : a.runs) {
        if (r.size != e.size)
            out.push_back(where + ": \"" + r.text + "\" at size " + std::to_string(r.size) + ", expected " +
                          std::to_string(e.size));
        if (r.colour != (e.label ? 15 : 0))
            out.push_back(where + ": \"" + r.text + "\" in colour " + std::to_string(r.colour));
    }
}

bool hasWord(const std::string& format, const std::string& w) {
    std::string f = " " + format + " ";
    return f.find(" " + w + " ") != std::string::npos;
}

void compareBorder(const rtf::Border& b, bool want, int width, const std::string& where,
                   std::vector<std::string>& out) {
    if (b.present() != want) {
        out.push_back(where + (want ? " border missing" : " border present"));
    } else if (want && (!b.single || b.width != width)) {
        out.push_back(where + " border not single " + std::to_string(width) + " twips (" +
                      std::to_string(b.width) + ")");
    }
}

void compareRow(const rtf::Row& a, const RX& e, const std::string& where, std::vector<std::string>& out) {
    const rtf::RowDef& d = a.def;
    bool info = e.kind == RX::Info;
    if (d.height != (info ? 320 : 0)) out.push_back(where + ": row height " + std::to_string(d.height));
    if (d.keep != e.keep) out.push_back(where + (e.keep ? ": \\trkeep missing" : ": \\trkeep on a label row"));
    if (d.centred != e.centred) out.push_back(where + (e.centred ? ": \\trqc missing" : ": \\trqc set"));
    const rtf::Border* rowBorders[] = {&d.top, &d.left_, &d.bottom, &d.right, &d.horizontal, &d.vertical};
    const char* rowSides[] = {"top", "left", "bottom", "right", "inside horizontal", "inside vertical"};
    for (int i = 0; i < 6; ++i) compareBorder(*rowBorders[i], !info, 10, where + " row " + rowSides[i], out);
    if (!a.end.intbl) out.push_back(where + ": row end outside the table");

    if (a.cells.size() != e.cells.size()) {
        out.push_back(where + ": " + std::to_string(a.cells.size()) + " cells, expected " +
                      std::to_string(e.cells.size()));
        return;
    }
    for (std::size_t i = 0; i < e.cells.size(); ++i) {
        const rtf::CellDef& c = a.cells[i].def;
        const CX& x = e.cells[i];
        std::string cw = where + " cell " + std::to_string(i + 1) + " (\\cellx" + std::to_string(x.right) + ")";
        if (c.right != x.right) out.push_back(cw + ": right boundary \\cellx" + std::to_string(c.right));
        rtf::CellDef::Merge merge = hasWord(x.format, "vmgf")   ? rtf::CellDef::First
                                    : hasWord(x.format, "vmrg") ? rtf::CellDef::Continue
                                                                : rtf::CellDef::None;
        const char* mergeNames[] = {"none", "first", "continue"};
        if (c.merge != merge)
            out.push_back(cw + ": merge " + mergeNames[c.merge] + ", expected " + mergeNames[merge]);
        char valign = hasWord(x.format, "top") ? 't' : 'c';
        if (c.valign != valign) out.push_back(cw + ": vertical alignment " + std::string(1, c.valign ? c.valign : '-'));
        std::string sides;
        for (const char* w : {"TLBR", "TLR", "LBR", "LR", "TLB", "TB", "T", "B", "L", "R"})
            if (hasWord(x.format, w)) sides = w;
        int width = hasWord(x.format, "w30") ? 30 : 10;
        compareBorder(c.top, sides.find('T') != std::string::npos, width, cw + " top", out);
        compareBorder(c.left, sides.find('L') != std::string::npos, width, cw + " left", out);
        compareBorder(c.bottom, sides.find('B') != std::string::npos, width, cw + " bottom", out);
        compareBorder(c.right_, sides.find('R') != std::string::npos, width, cw + " right", out);
        bool shade = hasWord(x.format, "shade");
        if (shade ? (c.pattern != 8 || c.shading != 1500) : (c.pattern != -1 || c.shading != 0))
            out.push_back(cw + (shade ? ": shading missing" : ": shaded"));
        const auto& paras = a.cells[i].paras;
        if (paras.size() != x.paras.size()) {
            out.push_back(cw + ": " + std::to_string(paras.size()) + " paragraphs, expected " +
                          std::to_string(x.paras.size()));
            continue;
        }
        for (std::size_t p = 0; p < paras.size(); ++p)
            compareParagraph(paras[p], x.paras[p], true, cw + " paragraph " + std::to_string(p + 1), out);
    }
}

// Differences between what the reader builds from a fragment and its expected layout.
std::vector<std::string> layoutDiffs(int n, const std::string& bytes) {
    static const std::map<int, std::vector<IX>> expected = expectedLayout();
    std::vector<std::string> out;
    rtf::Document doc = rtf::read(bytes);
    for (const std::string& e : doc.errors) out.push_back("reader: " + e);
    const std::vector<IX>& want = expected.at(n);
    if (doc.items.size() != want.size()) {
        out.push_back(std::to_string(doc.items.size()) + " paragraphs and rows, expected " +
                      std::to_string(want.size()));
        return out;
    }
    for (std::size_t i = 0; i < want.size(); ++i) {
        std::string where = "item " + std::to_string(i + 1);
        const rtf::Item& a = doc.items[i];
        if (a.isRow != want[i].isRow) {
            out.push_back(where + (a.isRow ? ": a row, expected a paragraph" : ": a paragraph, expected a row"));
            continue;
        }
        if (a.isRow)
            compareRow(a.row, want[i].row, where, out);
        else
            compareParagraph(a.para, want[i].para, false, where, out);
    }
    return out;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    std::size_t at = s.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "seed text not found: " << from;
        return s;
    }
    return s.replace(at, from.size(), to);
}

// ---- tests --------------------------------------------------------------------

TEST(TemplateFormat, EveryFragmentFollowsTheFragmentFormat) {
    for (const Entry& e : kEntries) {
        SCOPED_TRACE(e.name);
        std::string bytes = readFragment(e.name);
        ASSERT_FALSE(bytes.empty());
        auto problems = formatProblems(e.n, bytes);
        EXPECT_TRUE(problems.empty()) << e.name << ":" << joined(problems);
    }
}

TEST(TemplateFormat, EmptyRowsCarryNoAngleBracket) {
    for (int n : {6, 12, 17, 22}) {
        std::string bytes = readFragment(kEntries[n - 1].name);
        EXPECT_EQ(bytes.find_first_of("<>"), std::string::npos) << kEntries[n - 1].name;
    }
}

// Each seeded fault is one a hand edit or a bad writer could make.
TEST(TemplateFormat, CatchesSeededFormatFaults) {
    struct Seed {
        int entry;
        std::string from, to, expect;
    };
    const Seed seeds[] = {
        {2, "<NRPROBKI>", "<NRPR\r\nOBKI>", "angle bracket outside a token"},
        {2, "<TIPOB>", "<TIPOB><TIPOB>", "<TIPOB> found 2 times"},
        {6, "\\cell }", "<LP>\\cell }", "<LP> found 1 times, expected 0"},
        {7, "pomiar\\'f3w", "pomiar\\'b9w", "is not one of the twelve"},
        {7, "pomiar\\'f3w", "pomiar\\'F3w", "is not one of the twelve"},
        {7, "pomiar\\'f3w", "pomiar\xf3w", "not printable ASCII"},
        {9, "{\\row }", "{\\row }}", "closing brace without an opening one"},
        {9, "{\\f16\\fs18 <TIPOB>", "{{\\f16\\fs18 <TIPOB>", "braces do not balance"},
        {10, "{\\f16\\fs18 <TIPOB>", "{\\f16\\fs18 \\{<TIPOB>", "escaped brace"},
        {1, "\\pard\\plain", "{\\fonttbl{\\f16 Arial;}}\\pard\\plain", "document-level word \\fonttbl"},
        {3, "\\f16\\fs18 <TIPOB>", "\\f17\\fs18 <TIPOB>", "has a value not in use"},
        {3, "\\cellx6280", "\\cel\r\nlx6280", "splits a control word"},
        {3, "\\lang1045\\cgrid {\\row }", "\\cgrid {\\row }", "\\plain without \\lang1045"},
        {4, "\\adjustright {\\f16\\fs18 <OZNACZALNOSC>", "{\\f16\\fs18 <OZNACZALNOSC>", "lacks \\nowidctlpar"},
        {5, "{\\row }\r\n", "{\\row }", "does not end with"},
        {13, "{\\row }\r\n\r\n", "{\\row }\r\n", "does not end with"},
        {14, "{\\row }", "{\\row \\par }", "the last control word is not \\row"},
        {15, "\\trowd \\trgaph70\\trleft-70", "\\pard\\trowd \\trgaph70\\trleft-70", "does not start with \\trowd"},
        {16, "\\cellx327", "\\cellx327\\cellx400", "row has 12 cells but 13 cell definitions"},
        {18, "\\clvertalc\\cltxlrtb \\cellx2410", "\\clvertalc\\cellx2410", "without \\cltxlrtb"},
        {21, "\\pard \\qc\\nowidctlpar", "\\pard \\qc\\nowidctlpar" + std::string(270, ' '), "characters"},
    };
    for (const Seed& s : seeds) {
        SCOPED_TRACE(std::string(kEntries[s.entry - 1].name) + ": " + s.expect);
        std::string bytes = replaced(readFragment(kEntries[s.entry - 1].name), s.from, s.to);
        auto problems = formatProblems(s.entry, bytes);
        bool caught = std::any_of(problems.begin(), problems.end(),
                                  [&](const std::string& p) { return p.find(s.expect) != std::string::npos; });
        EXPECT_TRUE(caught) << "got:" << joined(problems);
    }
}

TEST(TemplateLayout, EveryFragmentHoldsItsRowsAndCells) {
    for (const Entry& e : kEntries) {
        SCOPED_TRACE(e.name);
        auto diffs = layoutDiffs(e.n, readFragment(e.name));
        EXPECT_TRUE(diffs.empty()) << e.name << ":" << joined(diffs);
    }
}

TEST(TemplateLayout, ResultsRowsUseOnlyTheirFamilysColumns) {
    for (const Family& f : kFamilies) {
        for (int n : f.entries) {
            rtf::Document doc = rtf::read(readFragment(kEntries[n - 1].name));
            for (const rtf::Item& it : doc.items) {
                if (!it.isRow || it.row.def.height == 320) continue;  // information-table rows have their own edges
                for (const rtf::Cell& c : it.row.cells)
                    EXPECT_TRUE(std::find(f.columns.begin(), f.columns.end(), c.def.right) != f.columns.end())
                        << f.name << ", " << kEntries[n - 1].name << ": \\cellx" << c.def.right;
            }
        }
    }
}

TEST(TemplateLayout, CatchesSeededLayoutFaults) {
    struct Seed {
        int entry;
        std::string from, to, expect;
        std::string from2 = "", to2 = "";
    };
    const Seed seeds[] = {
        // wrong boundary
        {2, "\\cellx5373", "\\cellx5375", "right boundary \\cellx5375"},
        {13, "\\cellx10250", "\\cellx10205", "right boundary \\cellx10205"},
        // lost merge
        {19, "\\clvmgf", "", "merge none, expected first"},
        {7, "\\clvmrg", "", "merge none, expected continue"},
        // missing border, or one of the wrong width
        {11, "\\clbrdrb\\brdrs\\brdrw10 \\clbrdrr\\brdrs\\brdrw10 \\cltxlrtb \\cellx4126",
         "\\clbrdrr\\brdrs\\brdrw10 \\cltxlrtb \\cellx4126", "bottom border missing"},
        {18, "\\clbrdrl\\brdrs\\brdrw30 ", "\\clbrdrl\\brdrs\\brdrw10 ", "left border not single 30 twips"},
        {9, "\\trbrdrh\\brdrs\\brdrw10 ", "", "row inside horizontal border missing"},
        // misplaced token: two cells swap their tokens
        {21, "<NRPROBKI>", "<TIPOB>", "text \"<TIPOB>\", expected \"<NRPROBKI>\"", "<TIPOB>\\cell }\r\n\\pard", "<NRPROBKI>\\cell }\r\n\\pard"},
        {8, "{\\b\\f16 <STANOWISKOH>\\par }", "{\\b\\f16 <RODZAJPYL>\\par }", "expected bold \"<STANOWISKOH>\"",
         "{\\f16 <RODZAJPYL>\\cell }", "{\\f16 <STANOWISKOH>\\cell }"},
        // other properties the layout fixes
        {12, "\\clcbpat8\\clshdng1500", "", "shading missing"},
        {14, "\\qj", "", "alignment l, expected j"},
        {1, "{\\b\\f16\\cf15 Klient:", "{\\b\\f16 Klient:", "in colour 0"},
        {10, "\\trkeep\\trqc", "\\trkeep", "\\trqc missing"},
    };
    for (const Seed& s : seeds) {
        SCOPED_TRACE(std::string(kEntries[s.entry - 1].name) + ": " + s.expect);
        std::string bytes = readFragment(kEntries[s.entry - 1].name);
        ASSERT_TRUE(layoutDiffs(s.entry, bytes).empty());
        if (!s.from2.empty()) bytes = replaced(bytes, s.from2, s.to2);  // second half of a swap first
        bytes = replaced(bytes, s.from, s.to);
        auto diffs = layoutDiffs(s.entry, bytes);
        bool caught = std::any_of(diffs.begin(), diffs.end(),
                                  [&](const std::string& d) { return d.find(s.expect) != std::string::npos; });
        EXPECT_TRUE(caught) << "got:" << joined(diffs);
    }
}

}  // namespace
