// The program's texts as the user reads them, spelled out independently of
// the program's sources (which hold them in code page 1250).
#pragma once

namespace text {

inline constexpr const wchar_t* Title = L"Nakładka dla programu \"Orvanto\" Q47T";
inline constexpr const wchar_t* Welcome =
    L"Instalator zainstaluje nakładkę na szablony sprawozdania z badań.\rEfekt działania:\r"
    L"Przywraca wersję szablonu sprawozdania sprzed zainstalowania nakładki Q47M\r\r"
    L"Naciśnij przycisk \"Dalej >>\" jeśli chcesz kontynuować.\r";
inline constexpr const wchar_t* Searching = L"Trwa wyszukiwanie zainstalowanych składników programu.";

inline constexpr const wchar_t* NetworkLine = L"Odnaleziono wersję sieciową programu \"Orvanto\".\r";
inline constexpr const wchar_t* SingleLine = L"Odnaleziono wersję jednostanowiskową programu \"Orvanto\".\r";
inline constexpr const wchar_t* ClosingPrompt = L"Naciśnij przycisk \"Dalej >>\" aby zainstalować nakładkę.";
inline constexpr const wchar_t* NoRegistry =
    L"Nie odnaleziono rejestru!!!\rProblem z określeniem lokalizacji programu \"Orvnto\". "
    L"Określ lokalizację programu na dysku lub skontaktuj się ze sprzedawcą.";
inline constexpr const wchar_t* RegistryRejected =
    L"Nie odnaleziono potrzebnych składników programu, skontaktuj się ze sprzedawcą. "
    L"Nastąpi zamknięcie instalatora.";
inline constexpr const wchar_t* ChoiceRejected =
    L"W podanej lokalizacji nie odnaleziono potrzebnych składników programu. "
    L"Zmień lokalizację lub skontaktuj się ze sprzedawcą.";
inline constexpr const wchar_t* BrowserPrompt = L"Wybierz folder:";

// Owners reported by the fixture libraries.
inline constexpr const wchar_t* NetworkOwner = L"Pracownia Środowiskowa Łęczyca";
inline constexpr const wchar_t* SingleOwner = L"Laboratorium Badań Powietrza";

inline constexpr const wchar_t* Opening = L"Instalacja nakładki Q47T.\r";
inline constexpr const wchar_t* Success =
    L"Gotowe. Zainstalowano nakładkę Q47T. Zamknij instalatora i uruchom program \"Orvanto\".\r\r";
inline constexpr const wchar_t* Reminder =
    L"Jeśli pracujesz w sieci pamiętaj aby zainstalować nakładkę na wszystkich komputerach.";
inline constexpr const wchar_t* Failure =
    L"Wystąpił problem podczas instalacji, instalacja nie powiodła się!. Skontaktuj się ze sprzedawcą.";

}  // namespace text
