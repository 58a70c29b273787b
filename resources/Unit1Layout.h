// The main window's layout, as data: every control of `Form1` with its
// parent, position and size in 96-DPI pixels, text, font, colour, initial
// state and tab order. Included once, by Unit1.cpp.
#pragma once

#include "Widgets.h"

namespace layout {

constexpr TFont WindowFont{"MS Sans Serif", 11, false, false, false, clWindowText, TCharset::Default};
constexpr TFont LogoShadow{"Calibri", 27, true, true, false, clSilver, TCharset::EastEurope};
constexpr TFont LogoFront{"Calibri", 27, true, true, false, clYellow, TCharset::EastEurope};
constexpr TFont BannerTitle{"MS Sans Serif", 13, true, false, true, clWhite, TCharset::Default};
constexpr TFont BannerText{"MS Sans Serif", 13, true, false, false, clWhite, TCharset::Default};
constexpr TFont Welcome{"MS Sans Serif", 13, false, false, false, clBlack, TCharset::Default};
constexpr TFont Heading{"MS Sans Serif", 13, true, false, false, clWindowText, TCharset::Default};
constexpr TFont Body{"MS Sans Serif", 13, false, false, false, clWindowText, TCharset::Default};

constexpr TFormRecord Form1{
    "Nakładka dla programu \"Orvanto\" Q47T", 666, 206, clBtnFace, WindowFont,
    "BitBtn2",
    "TabSheet3",  // the page the layout was saved on; FormCreate moves to page 1
};

using K = TControlKind;
constexpr uint16_t Auto = cfAutoSize, Wrap = cfWordWrap;

constexpr TControlRecord Controls[] = {
    // Kind         Name            Parent          Left Top  W    H     Text        Font          Colour    Flags          Tab  Picture
    {K::Panel,      "Panel1",       nullptr,        {0,   0,   185, 206}, "",         nullptr,      clNavy,   0,              0, nullptr},
    {K::Image,      "Image1",       "Panel1",       {8,   8,   32,  32},  "",         nullptr,      clNavy,   0,             -1, "EMBLEM"},
    {K::Label,      "Label1",       "Panel1",       {54,  10,  0,   0},   "Orvanto",  &LogoShadow,  clNavy,   Auto, -1, nullptr},
    {K::Label,      "Label2",       "Panel1",       {52,  8,   0,   0},   "Orvanto",  &LogoFront,   clNavy,   Auto | cfTransparent, -1, nullptr},
    {K::Label,      "Label3",       "Panel1",       {8,   72,  0,   0},   "Nakładka Q47T", &BannerTitle, clNavy, Auto, -1, nullptr},
    {K::Label,      "Label4",       "Panel1",       {8,   124, 0,   0},   "Arkadal Informatyka", &BannerText, clNavy, Auto, -1, nullptr},
    {K::Label,      "Label5",       "Panel1",       {8,   140, 0,   0},   "Oprogramowanie dla", &BannerText, clNavy, Auto, -1, nullptr},
    {K::Label,      "Label6",       "Panel1",       {10,  160, 0,   0},   "laboratoriów badawczych", &BannerText, clNavy, Auto, -1, nullptr},
    {K::Label,      "Label7",       "Panel1",       {10,  180, 0,   0},   "Zenon Burakowski", &BannerText, clNavy, Auto, -1, nullptr},
    {K::Image,      "Image2",       "Panel1",       {132, 56,  48,  48},  "",         nullptr,      clNavy,   cfPictureTransparent, -1, "BOX"},
    {K::Panel,      "Panel2",       nullptr,        {185, 0,   481, 206}, "",         nullptr,      clBtnFace, 0,             1, nullptr},
    {K::PageControl,"PageControl1", "Panel2",       {0,   0,   481, 206}, "",         nullptr,      clBtnFace, 0,             3, nullptr},
    {K::TabSheet,   "TabSheet1",    "PageControl1", {4,   4,   473, 198}, "",         nullptr,      clBtnFace, 0,            -1, nullptr},
    {K::StaticText, "StaticText2",  "TabSheet1",    {0,   4,   473, 153}, "StaticText2", &Welcome,  clBtnFace, Wrap,          0, nullptr},
    {K::TabSheet,   "TabSheet2",    "PageControl1", {4,   4,   473, 198}, "",         nullptr,      clBtnFace, 0,            -1, nullptr},
    {K::StaticText, "StaticText1",  "TabSheet2",    {4,   4,   0,   0},   "Trwa wyszukiwanie zainstalowanych składników programu.", &Heading, clBtnFace, Auto, 0, nullptr},
    {K::StaticText, "StaticText3",  "TabSheet2",    {4,   28,  461, 101}, "Odnaleziono:", &Body,    clBtnFace, Wrap,          1, nullptr},
    {K::Edit,       "Edit1",        "TabSheet2",    {4,   132, 437, 21},  "",         nullptr,      clBtnFace, cfHidden | cfDisabled, 2, nullptr},
    {K::Button,     "BitBtn5",      "TabSheet2",    {442, 132, 25,  21},  "...",      nullptr,      clBtnFace, cfHidden,      3, nullptr},
    {K::TabSheet,   "TabSheet3",    "PageControl1", {4,   4,   473, 198}, "",         nullptr,      clBtnFace, 0,            -1, nullptr},
    {K::StaticText, "StaticText6",  "TabSheet3",    {4,   4,   461, 125}, "",         &Body,        clBtnFace, Wrap,          0, nullptr},
    {K::Button,     "BitBtn4",      "TabSheet3",    {384, 166, 75,  25},  "Zamknij.", nullptr,      clBtnFace, 0,             1, nullptr},
    {K::StaticText, "StaticText4",  "TabSheet3",    {4,   136, 461, 17},  " ",        nullptr,      clBtnFace, Wrap,          2, nullptr},
    // The navigation buttons come after the page control, in front of the pages.
    {K::Button,     "BitBtn3",      "Panel2",       {16,  172, 75,  25},  "Anuluj",   nullptr,      clBtnFace, 0,             2, nullptr},
    {K::Button,     "BitBtn1",      "Panel2",       {112, 172, 75,  25},  "<< Cofnij", nullptr,     clBtnFace, cfDisabled,    0, nullptr},
    {K::Button,     "BitBtn2",      "Panel2",       {204, 172, 75,  25},  "Dalej >>", nullptr,      clBtnFace, 0,             1, nullptr},
};

}  // namespace layout
