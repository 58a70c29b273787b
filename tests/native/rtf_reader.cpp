// Reader for the template fragments' RTF, test-only.
//
// The model follows RTF 1.x as a word processor applies it to body text:
// character and paragraph properties are saved and restored with groups,
// \pard and \plain reset them, a row's definition (\trowd ... \cellx) is
// collected until \row closes the row, \cell closes a cell's last paragraph
// and \par any other paragraph. Only the control words the fragments are
// allowed to use are understood; every other word, every symbol and every
// misplaced word is reported in Document::errors rather than guessed at, so
// that a fragment which a real reader would take differently cannot pass.
#include "rtf_reader.h"

#include <cctype>
#include <cstdio>

namespace rtf {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string at(std::size_t offset) { return " at byte " + std::to_string(offset); }

}  // namespace

std::string polishLetter(unsigned char b) {
    // UTF-8 spelled out in bytes, so that the test does not depend on the
    // compiler's execution character set.
    switch (b) {
        case 0x8c: return "\xC5\x9A";  // Ś
        case 0x9c: return "\xC5\x9B";  // ś
        case 0x9f: return "\xC5\xBA";  // ź
        case 0xa3: return "\xC5\x81";  // Ł
        case 0xaf: return "\xC5\xBB";  // Ż
        case 0xb3: return "\xC5\x82";  // ł
        case 0xbf: return "\xC5\xBC";  // ż
        case 0xd3: return "\xC3\x93";  // Ó
        case 0xe6: return "\xC4\x87";  // ć
        case 0xea: return "\xC4\x99";  // ę
        case 0xf1: return "\xC5\x84";  // ń
        case 0xf3: return "\xC3\xB3";  // ó
        default: return "";
    }
}

std::vector<Token> tokenize(std::string_view s, std::vector<std::string>& errors) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        Token t;
        t.offset = i;
        char c = s[i];
        if (c == '\r' || c == '\n') {  // a reader ignores line breaks
            ++i;
            continue;
        }
        if (c == '{' || c == '}') {
            t.kind = c == '{' ? Token::Open : Token::Close;
            ++i;
        } else if (c != '\\') {
            t.kind = Token::Text;
            t.ch = static_cast<unsigned char>(c);
            ++i;
        } else if (i + 1 >= s.size()) {
            errors.push_back("backslash at the end" + at(i));
            break;
        } else if (isLetter(s[i + 1])) {
            t.kind = Token::Word;
            std::size_t j = i + 1;
            while (j < s.size() && isLetter(s[j])) ++j;
            t.word.assign(s.substr(i + 1, j - i - 1));
            std::size_t k = j;
            if (k < s.size() && s[k] == '-') ++k;
            if (k < s.size() && isDigit(s[k])) {
                while (k < s.size() && isDigit(s[k])) ++k;
                t.hasParam = true;
                t.param = std::stol(std::string(s.substr(j, k - j)));
                j = k;
            }
            if (j < s.size() && s[j] == ' ') ++j;  // the delimiting space belongs to the word
            i = j;
        } else if (s[i + 1] == '\'') {
            int hi = i + 2 < s.size() ? hexValue(s[i + 2]) : -1;
            int lo = i + 3 < s.size() ? hexValue(s[i + 3]) : -1;
            if (hi < 0 || lo < 0) {
                errors.push_back("malformed \\' escape" + at(i));
                i += 2;
                continue;
            }
            t.kind = Token::Hex;
            t.ch = static_cast<unsigned char>(hi * 16 + lo);
            i += 4;
        } else {
            t.kind = Token::Symbol;
            t.ch = static_cast<unsigned char>(s[i + 1]);
            i += 2;
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::string Paragraph::text() const {
    std::string t;
    for (const Run& r : runs) t += r.text;
    return t;
}

namespace {

struct CharState {
    bool bold = false;
    int size = 0;
    bool super = false, sub = false;
    int colour = 0;
    int font = -1;
};

struct ParState {
    char align = 'l';
    int style = 0;
    bool keepn = false;
    int outline = -1;
    bool intbl = false;
    bool widctlpar = false, nowidctlpar = false, adjustright = false;
};

struct State {
    CharState chr;
    ParState par;
};

class Reader {
public:
    Document run(std::string_view src) {
        auto tokens = tokenize(src, doc_.errors);
        std::vector<State> stack;
        for (const Token& t : tokens) {
            switch (t.kind) {
                case Token::Open: stack.push_back(st_); break;
                case Token::Close:
                    if (stack.empty()) {
                        error("unbalanced closing brace", t);
                    } else {
                        st_ = stack.back();
                        stack.pop_back();
                    }
                    break;
                case Token::Text: addText(std::string(1, static_cast<char>(t.ch)), t); break;
                case Token::Hex: {
                    std::string letter = polishLetter(t.ch);
                    if (letter.empty()) {
                        char buf[8];
                        std::snprintf(buf, sizeof buf, "%02x", t.ch);
                        error(std::string("escape \\'") + buf + " is not a Polish letter", t);
                        letter = "?";
                    }
                    addText(letter, t);
                    break;
                }
                case Token::Symbol: error(std::string("control symbol \\") + static_cast<char>(t.ch), t); break;
                case Token::Word: word(t); break;
            }
        }
        if (!stack.empty()) doc_.errors.push_back("unclosed group at the end");
        if (!para_.runs.empty()) doc_.errors.push_back("text after the last paragraph mark");
        if (!cells_.empty() || !paras_.empty()) doc_.errors.push_back("row without \\row at the end");
        return std::move(doc_);
    }

private:
    void error(const std::string& what, const Token& t) { doc_.errors.push_back(what + at(t.offset)); }

    void addText(const std::string& text, const Token&) {
        const CharState& c = st_.chr;
        if (!para_.runs.empty()) {
            Run& last = para_.runs.back();
            if (last.bold == c.bold && last.size == c.size && last.super == c.super && last.sub == c.sub &&
                last.colour == c.colour && last.font == c.font) {
                last.text += text;
                return;
            }
        }
        para_.runs.push_back(Run{text, c.bold, c.size, c.super, c.sub, c.colour, c.font});
    }

    // Closes the paragraph under construction with the properties in force now.
    Paragraph takeParagraph() {
        Paragraph p = std::move(para_);
        para_ = Paragraph{};
        const ParState& s = st_.par;
        p.align = s.align;
        p.style = s.style;
        p.keepn = s.keepn;
        p.outline = s.outline;
        p.intbl = s.intbl;
        p.widctlpar = s.widctlpar;
        p.nowidctlpar = s.nowidctlpar;
        p.adjustright = s.adjustright;
        p.markSize = st_.chr.size;
        return p;
    }

    Border* borderTarget(const Token& t) {
        if (!border_) error("\\" + t.word + " without a border to apply to", t);
        return border_;
    }

    void word(const Token& t) {
        const std::string& w = t.word;
        const long n = t.param;
        CharState& c = st_.chr;
        ParState& p = st_.par;
        // paragraph ends
        if (w == "par" || w == "cell") {
            bool cell = w == "cell";
            Paragraph para = takeParagraph();
            if (cell && !para.intbl) error("\\cell in a paragraph without \\intbl", t);
            if (para.intbl) {
                paras_.push_back(std::move(para));
                if (cell) {
                    Cell ce;
                    ce.paras = std::move(paras_);
                    paras_.clear();
                    cells_.push_back(std::move(ce));
                }
            } else {
                if (!cells_.empty() || !paras_.empty()) error("paragraph outside a table inside an open row", t);
                Item it;
                it.para = std::move(para);
                doc_.items.push_back(std::move(it));
            }
        } else if (w == "row") {
            if (!para_.runs.empty()) error("text before \\row", t);
            if (!paras_.empty()) error("paragraphs after the last \\cell of the row", t);
            Item it;
            it.isRow = true;
            it.row.end = takeParagraph();
            if (!it.row.end.intbl) error("\\row in a paragraph without \\intbl", t);
            if (!haveRowDef_) error("\\row without a row definition", t);
            if (cellDefStarted_) error("cell definition without \\cellx before \\row", t);
            it.row.def = rowDef_;
            if (cells_.size() != rowDef_.cells.size())
                error("row has " + std::to_string(cells_.size()) + " cells but " +
                          std::to_string(rowDef_.cells.size()) + " cell definitions", t);
            for (std::size_t i = 0; i < cells_.size(); ++i) {
                if (i < rowDef_.cells.size()) cells_[i].def = rowDef_.cells[i];
            }
            it.row.cells = std::move(cells_);
            cells_.clear();
            doc_.items.push_back(std::move(it));
            haveRowDef_ = false;
        }
        // row definition
        else if (w == "trowd") {
            if (!cells_.empty() || !paras_.empty()) error("\\trowd inside an open row", t);
            rowDef_ = RowDef{};
            cellDef_ = CellDef{};
            cellDefStarted_ = false;
            haveRowDef_ = true;
            border_ = nullptr;
        } else if (w.rfind("tr", 0) == 0 || w.rfind("cl", 0) == 0 || w.rfind("brdr", 0) == 0 ||
                   w == "cellx") {
            rowWord(t);
        }
        // paragraph properties
        else if (w == "pard") {
            p = ParState{};
            border_ = nullptr;
        } else if (w == "s") {
            p.style = static_cast<int>(n);
        } else if (w == "ql") {
            p.align = 'l';
        } else if (w == "qc") {
            p.align = 'c';
        } else if (w == "qj") {
            p.align = 'j';
        } else if (w == "qr") {
            p.align = 'r';
        } else if (w == "keepn") {
            p.keepn = true;
        } else if (w == "outlinelevel") {
            p.outline = static_cast<int>(n);
        } else if (w == "intbl") {
            p.intbl = true;
        } else if (w == "widctlpar") {
            p.widctlpar = true;
        } else if (w == "nowidctlpar") {
            p.nowidctlpar = true;
        } else if (w == "adjustright") {
            p.adjustright = true;
        }
        // character properties
        else if (w == "plain") {
            c = CharState{};
        } else if (w == "b") {
            c.bold = !t.hasParam || n != 0;
        } else if (w == "fs") {
            c.size = static_cast<int>(n);
        } else if (w == "f") {
            c.font = static_cast<int>(n);
        } else if (w == "cf") {
            c.colour = static_cast<int>(n);
        } else if (w == "super") {
            c.super = true;
            c.sub = false;
        } else if (w == "sub") {
            c.sub = true;
            c.super = false;
        } else if (w == "nosupersub") {
            c.super = c.sub = false;
        } else if (w == "lang" || w == "cgrid") {
            // language and character grid do not change what is shown
        } else {
            error("unknown control word \\" + w, t);
        }
    }

    void rowWord(const Token& t) {
        const std::string& w = t.word;
        const int n = static_cast<int>(t.param);
        if (!haveRowDef_) {
            error("\\" + w + " outside a row definition", t);
            return;
        }
        RowDef& r = rowDef_;
        if (w == "trgaph") {
            r.gaph = n;
        } else if (w == "trleft") {
            r.left = n;
        } else if (w == "trrh") {
            r.height = n;
        } else if (w == "trkeep") {
            r.keep = true;
        } else if (w == "trqc") {
            r.centred = true;
        } else if (w == "trbrdrt") {
            border_ = &r.top;
        } else if (w == "trbrdrl") {
            border_ = &r.left_;
        } else if (w == "trbrdrb") {
            border_ = &r.bottom;
        } else if (w == "trbrdrr") {
            border_ = &r.right;
        } else if (w == "trbrdrh") {
            border_ = &r.horizontal;
        } else if (w == "trbrdrv") {
            border_ = &r.vertical;
        } else if (w == "brdrs") {
            if (Border* b = borderTarget(t)) b->single = true;
        } else if (w == "brdrw") {
            if (Border* b = borderTarget(t)) b->width = n;
        } else if (w == "clbrdrt" || w == "clbrdrl" || w == "clbrdrb" || w == "clbrdrr") {
            cellDefStarted_ = true;
            char side = w.back();
            border_ = side == 't' ? &cellDef_.top : side == 'l' ? &cellDef_.left : side == 'b' ? &cellDef_.bottom
                                                                                               : &cellDef_.right_;
        } else if (w == "clvmgf" || w == "clvmrg") {
            cellDefStarted_ = true;
            cellDef_.merge = w == "clvmgf" ? CellDef::First : CellDef::Continue;
        } else if (w == "clvertalc" || w == "clvertalt") {
            cellDefStarted_ = true;
            cellDef_.valign = w.back();
        } else if (w == "clcbpat") {
            cellDefStarted_ = true;
            cellDef_.pattern = n;
        } else if (w == "clshdng") {
            cellDefStarted_ = true;
            cellDef_.shading = n;
        } else if (w == "cltxlrtb") {
            cellDefStarted_ = true;
            cellDef_.txlrtb = true;
        } else if (w == "cellx") {
            cellDef_.right = n;
            r.cells.push_back(cellDef_);
            cellDef_ = CellDef{};
            cellDefStarted_ = false;
            border_ = nullptr;
        } else {
            error("unknown control word \\" + w, t);
        }
    }

    Document doc_;
    State st_;
    Paragraph para_;               // paragraph under construction
    std::vector<Paragraph> paras_;  // finished paragraphs of the cell under construction
    std::vector<Cell> cells_;      // finished cells of the row under construction
    RowDef rowDef_;
    bool haveRowDef_ = false;
    CellDef cellDef_;
    bool cellDefStarted_ = false;
    Border* border_ = nullptr;  // side that \brdrs and \brdrw apply to
};

}  // namespace

Document read(std::string_view src) { return Reader().run(src); }

}  // namespace rtf
