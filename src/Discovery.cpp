// Page 2: settling the host folder from the registry value the host leaves
// behind, or from a folder the user picks, and showing what the probe found.
#include "Unit1.h"

namespace {

const char* const NetworkLine = "Odnaleziono wersję sieciową programu \"Orvanto\".\r";
const char* const SingleLine = "Odnaleziono wersję jednostanowiskową programu \"Orvanto\".\r";
const char* const ClosingPrompt = "Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę.";
const char* const NoRegistryText =
    "Nie odnaleziono rejestru!!!\rProblem z określeniem lokalizacji programu \"Orvnto\". "
    "Określ lokalizację programu na dysku lub skontaktuj się ze sprzedawcą.";
const char* const RegistryRejected =
    "Nie odnaleziono potrzebnych składników programu, skontaktuj się ze sprzedawcą. "
    "Nastąpi zamknięcie instalatora.";
const char* const ChoiceRejected =
    "W podanej lokalizacji nie odnaleziono potrzebnych składników programu. "
    "Zmień lokalizację lub skontaktuj się ze sprzedawcą.";

}  // namespace

// The findings text is rebuilt from scratch each time: the edition line, on
// the registry road the location line, the owner and the closing prompt.
void TForm1::ShowFindings(bool withLocation) {
    StaticText3->SetText(FNetworkEdition ? NetworkLine : SingleLine);
    if (withLocation) AppendText(StaticText3, "Lokalizacja: " + FHostDir + "\r");
    AppendText(StaticText3, FOwnerName.Str() + "\r");
    AppendText(StaticText3, ClosingPrompt);
}

// Discovery runs until it has completed once; the tab sheet's Tag latches
// that. A registry value that cannot be read as text raises out of here: the
// latch stays 0, the error is reported, and the next showing tries again.
void TForm1::TabSheet2Show(TObject*) {
    if (TabSheet2->Tag == 0) {
        TRegistry reg;  // closes the key on every path
        reg.OpenKey("VeOrvanto", false);
        if (reg.ValueExists("Lokalizacja")) {
            FHostDir = reg.ReadString("Lokalizacja");
            ProbeHost();
            if (FHostFound) {
                ShowFindings(true);
            } else {
                ShowMessage(RegistryRejected);
                Close();
            }
        } else {
            StaticText3->SetText(NoRegistryText);
            BitBtn2->SetEnabled(false);
            Edit1->Show();
            BitBtn5->Show();
        }
    }
    TabSheet2->Tag = 1;
}

// The manual road: every choice, and a cancel too, is probed.
void TForm1::BitBtn5Click(TObject*) {
    String dir = ExtractFileDir(ModuleFileName());
    if (SelectDirectory("Wybierz folder:", "", dir)) {
        // One trailing backslash goes, so a drive root becomes "C:".
        if (!dir.empty() && dir.back() == '\\') dir.pop_back();
        FHostDir = dir;
    }
    Edit1->SetText(FHostDir);
    ProbeHost();
    if (!FHostFound) {
        ShowMessage(ChoiceRejected);
        return;
    }
    ShowFindings(false);
    BitBtn2->SetEnabled(true);
}

// Resets the page after a showing whose discovery ended with an error.
void TForm1::TabSheet2Hide(TObject*) {
    if (TabSheet2->Tag != 0) return;
    Edit1->Hide();
    BitBtn5->Hide();
    StaticText3->SetText("");
}
