// Page 3: the deployment run, which writes the 22 embedded template fragments
// into the host's SZABLONY folder and reports the outcome on the page.
#include <memory>

#include "Unit1.h"

const TTemplateEntry TemplateTable[22] = {
    {"Plik1T", "\\SZABLONY\\KestrinHead.rtf"},
    {"Plik2T", "\\SZABLONY\\KestrinTask.rtf"},
    {"Plik3T", "\\SZABLONY\\KestrinTaskSolo.rtf"},
    {"Plik4T", "\\SZABLONY\\KestrinLimit.rtf"},
    {"Plik5T", "\\SZABLONY\\KestrinCont.rtf"},
    {"Plik6T", "\\SZABLONY\\KestrinBlank.rtf"},
    {"Plik7T", "\\SZABLONY\\KestrinWideHead.rtf"},
    {"Plik8T", "\\SZABLONY\\KestrinWideStation.rtf"},
    {"Plik9T", "\\SZABLONY\\KestrinWideTask.rtf"},
    {"Plik10T", "\\SZABLONY\\KestrinWideCont.rtf"},
    {"Plik11T", "\\SZABLONY\\KestrinWideContEnd.rtf"},
    {"Plik12T", "\\SZABLONY\\KestrinWideBlank.rtf"},
    {"Plik13T", "\\SZABLONY\\FalmorWideHead.rtf"},
    {"Plik14T", "\\SZABLONY\\FalmorWideStation.rtf"},
    {"Plik15T", "\\SZABLONY\\FalmorWideTask.rtf"},
    {"Plik16T", "\\SZABLONY\\FalmorWideCont.rtf"},
    {"Plik17T", "\\SZABLONY\\FalmorWideContEnd.rtf"},
    {"Plik18T", "\\SZABLONY\\FalmorHead.rtf"},
    {"Plik19T", "\\SZABLONY\\FalmorTask.rtf"},
    {"Plik20T", "\\SZABLONY\\FalmorLimit.rtf"},
    {"Plik21T", "\\SZABLONY\\FalmorCont.rtf"},
    {"Plik22T", "\\SZABLONY\\FalmorBlank.rtf"},
};

// Runs every time page 3 is entered. It stops at the first error, keeps what
// it has written so far, and reports one failure text; the error's own
// description is not shown. Each file is replaced in one step, so a failed
// write leaves the old template in place rather than part of a new one.
void TForm1::TabSheet3Show(TObject*) {
    std::unique_ptr<TResourceStream> stream;  // at most one held at a time
    try {
        BitBtn1->SetEnabled(false);
        AppendText(StaticText6, String("Instalacja nakładki Q47T.") + "\r");
        for (int i = 0; i < 22; ++i) {
            const TTemplateEntry& entry = TemplateTable[i];
            stream = std::make_unique<TResourceStream>(entry.Resource);
            const String relative = entry.Path;
            FileSetAttr(FHostDir + relative, faArchive);
            StaticText4->SetText(i == 2 ? String("Plik") : relative);
            WriteFileReplacing(FHostDir + relative, stream->Memory(), stream->Size());
            stream.reset();
        }
        StaticText4->SetText("");
        AppendText(StaticText6,
                   String("Gotowe. Zainstalowano nakładkę Q47T. Zamknij instalatora i uruchom program \"Orvanto\".") +
                       "\r" + "\r");
        AppendText(StaticText6, "Jeśli pracujesz w sieci pamiętaj aby zainstalować nakładkę na wszystkich komputerach.");
    } catch (...) {
        stream.reset();
        BitBtn1->SetEnabled(true);
        AppendText(StaticText6,
                   "Wystąpił problem podczas instalacji, instalacja nie powiodła się!. Skontaktuj się ze sprzedawcą.");
    }
}
