// A small reader for the RTF body text of the report-template fragments:
// a tokenizer and a model of what a word processor would build from it
// (paragraphs outside tables, and table rows with their cells).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rtf {

struct Token {
    enum Kind { Open, Close, Word, Hex, Symbol, Text };
    Kind kind = Text;
    std::string word;        // Word: the control word's name, without the backslash
    bool hasParam = false;   // Word: a numeric parameter follows the name
    long param = 0;          // Word: the parameter
    unsigned char ch = 0;    // Hex: the byte; Symbol: the character after the backslash; Text: the character
    std::size_t offset = 0;  // position of the token's first byte in the source
};

std::vector<Token> tokenize(std::string_view src, std::vector<std::string>& errors);

// Character formatting of a run; size is in half-points, 0 when the text sets none.
struct Run {
    std::string text;  // UTF-8
    bool bold = false;
    int size = 0;
    bool super = false;
    bool sub = false;
    int colour = 0;
    int font = -1;
};

struct Paragraph {
    char align = 'l';  // l, c, j or r
    int style = 0;
    bool keepn = false;
    int outline = -1;
    bool intbl = false;
    bool widctlpar = false;
    bool nowidctlpar = false;
    bool adjustright = false;
    std::vector<Run> runs;  // adjacent runs of the same formatting are joined
    int markSize = 0;       // size in force at the paragraph mark (\par, \cell)
    std::string text() const;
};

struct Border {
    bool single = false;
    int width = 0;  // twips; 0 when the side has no border
    bool present() const { return width > 0; }
};

struct CellDef {
    int right = 0;
    enum Merge { None, First, Continue } merge = None;
    char valign = 0;  // 'c' or 't' when stated, 0 when left to the default
    Border top, left, bottom, right_;
    int pattern = -1;  // \clcbpat, -1 when none
    int shading = 0;   // \clshdng, hundredths of a per cent
    bool txlrtb = false;
};

struct RowDef {
    int gaph = 0, left = 0, height = 0;
    bool keep = false, centred = false;
    Border top, left_, bottom, right, horizontal, vertical;
    std::vector<CellDef> cells;
};

struct Cell {
    CellDef def;
    std::vector<Paragraph> paras;
};

struct Row {
    RowDef def;
    std::vector<Cell> cells;
    Paragraph end;  // properties of the paragraph that carries \row
};

// One element of a fragment in reading order: a paragraph outside any table, or a row.
struct Item {
    bool isRow = false;
    Paragraph para;
    Row row;
};

struct Document {
    std::vector<Item> items;
    std::vector<std::string> errors;  // anything the reader could not place
};

Document read(std::string_view src);

// UTF-8 text of the code page 1250 byte that a \'xx escape names; empty when
// the byte is not one of the Polish letters the fragments may use.
std::string polishLetter(unsigned char cp1250);

}  // namespace rtf
