// The main window: the whole wizard, its controls, wizard state and handlers.
#pragma once

#include <cstdint>

#include "Widgets.h"

// A length byte followed by at most 255 characters, as the host's library
// hands the owner's name over.
struct TShortString {
    uint8_t Bytes[256] = {};
    uint8_t Length() const { return Bytes[0]; }
    String Str() const { return String(reinterpret_cast<const char*>(Bytes + 1), Bytes[0]); }
    void Clear() { Bytes[0] = 0; }
};

// One embedded template fragment and where it goes under the host folder.
struct TTemplateEntry {
    const char* Resource;
    const char* Path;
};
extern const TTemplateEntry TemplateTable[22];

class TForm1 : public TForm {
public:
    TForm1();

    TPanel* Panel1;
    TImage* Image1;
    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* Label4;
    TLabel* Label5;
    TLabel* Label6;
    TLabel* Label7;
    TImage* Image2;
    TPanel* Panel2;
    TPageControl* PageControl1;
    TTabSheet* TabSheet1;
    TStaticText* StaticText2;
    TTabSheet* TabSheet2;
    TStaticText* StaticText1;
    TStaticText* StaticText3;
    TEdit* Edit1;
    TBitBtn* BitBtn5;
    TTabSheet* TabSheet3;
    TStaticText* StaticText6;
    TBitBtn* BitBtn4;
    TStaticText* StaticText4;
    TBitBtn* BitBtn3;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    void FormCreate(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void BitBtn3Click(TObject* Sender);
    void BitBtn4Click(TObject* Sender);
    void BitBtn5Click(TObject* Sender);
    void TabSheet2Show(TObject* Sender);
    void TabSheet2Hide(TObject* Sender);
    void TabSheet3Show(TObject* Sender);

    void ProbeHost();

    // Wizard state. Public so that tests and the probe's guarded body can
    // reach it; nothing outside the wizard writes it.
    String FHostDir;
    bool FHostFound = false;
    HModule FLibHandle = nullptr;
    bool FNetworkEdition = false;
    TShortString FOwnerName;

private:
    void AppendText(TControl* c, const String& text);
    void ShowFindings(bool withLocation);
};

extern TForm1* Form1;
