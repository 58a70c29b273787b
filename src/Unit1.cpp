// The main window: construction from its layout, FormCreate and the page
// navigation rules. Discovery, the probe and the deployment run live in files
// of their own beside this one.
#include "Unit1.h"

#include "Unit1Layout.h"

TForm1* Form1 = nullptr;

TForm1::TForm1()
    : TForm(layout::Form1, layout::Controls, sizeof layout::Controls / sizeof layout::Controls[0]) {
    Panel1 = Find<TPanel>("Panel1");
    Image1 = Find<TImage>("Image1");
    Label1 = Find<TLabel>("Label1");
    Label2 = Find<TLabel>("Label2");
    Label3 = Find<TLabel>("Label3");
    Label4 = Find<TLabel>("Label4");
    Label5 = Find<TLabel>("Label5");
    Label6 = Find<TLabel>("Label6");
    Label7 = Find<TLabel>("Label7");
    Image2 = Find<TImage>("Image2");
    Panel2 = Find<TPanel>("Panel2");
    PageControl1 = Find<TPageControl>("PageControl1");
    TabSheet1 = Find<TTabSheet>("TabSheet1");
    StaticText2 = Find<TStaticText>("StaticText2");
    TabSheet2 = Find<TTabSheet>("TabSheet2");
    StaticText1 = Find<TStaticText>("StaticText1");
    StaticText3 = Find<TStaticText>("StaticText3");
    Edit1 = Find<TEdit>("Edit1");
    BitBtn5 = Find<TBitBtn>("BitBtn5");
    TabSheet3 = Find<TTabSheet>("TabSheet3");
    StaticText6 = Find<TStaticText>("StaticText6");
    BitBtn4 = Find<TBitBtn>("BitBtn4");
    StaticText4 = Find<TStaticText>("StaticText4");
    BitBtn3 = Find<TBitBtn>("BitBtn3");
    BitBtn1 = Find<TBitBtn>("BitBtn1");
    BitBtn2 = Find<TBitBtn>("BitBtn2");

    OnCreate = &TForm1::FormCreate;
    BitBtn1->OnClick = &TForm1::BitBtn1Click;
    BitBtn2->OnClick = &TForm1::BitBtn2Click;
    BitBtn3->OnClick = &TForm1::BitBtn3Click;
    BitBtn4->OnClick = &TForm1::BitBtn4Click;
    BitBtn5->OnClick = &TForm1::BitBtn5Click;
    TabSheet2->OnShow = &TForm1::TabSheet2Show;
    TabSheet2->OnHide = &TForm1::TabSheet2Hide;
    TabSheet3->OnShow = &TForm1::TabSheet3Show;
}

// Handlers that add to a displayed text read it back from the control and
// write it again, so the texts accumulate on the control itself.
void TForm1::AppendText(TControl* c, const String& text) { c->SetText(c->Text() + text); }

void TForm1::FormCreate(TObject*) {
    PageControl1->SetActivePageIndex(0);
    FHostDir.clear();
    FHostFound = false;
    FNetworkEdition = false;
    FOwnerName.Clear();
    StaticText2->SetText("Instalator zainstaluje nakładkę na szablony sprawozdania z badań.\rEfekt działania:\r");
    AppendText(StaticText2, "Przywraca wersję szablonu sprawozdania sprzed zainstalowania nakładki Q47M\r\r");
    AppendText(StaticText2, "Naciśnij przycisk \"Dalej >>\" jeśli chcesz kontynuować.\r");
}

// Next.
void TForm1::BitBtn2Click(TObject*) {
    BitBtn1->SetEnabled(true);
    if (PageControl1->ActivePageIndex() < PageControl1->PageCount() - 1)
        PageControl1->SetActivePageIndex(PageControl1->ActivePageIndex() + 1);
    if (PageControl1->ActivePageIndex() == PageControl1->PageCount() - 1) {
        BitBtn2->SetEnabled(false);
        BitBtn3->SetEnabled(false);
    }
}

// Back.
void TForm1::BitBtn1Click(TObject*) {
    BitBtn2->SetEnabled(true);
    BitBtn3->SetEnabled(true);
    if (PageControl1->ActivePageIndex() > 0)
        PageControl1->SetActivePageIndex(PageControl1->ActivePageIndex() - 1);
    if (PageControl1->ActivePageIndex() == 0) BitBtn1->SetEnabled(false);
}

// Cancel.
void TForm1::BitBtn3Click(TObject*) { Close(); }

// Close, on page 3.
void TForm1::BitBtn4Click(TObject*) { Close(); }
