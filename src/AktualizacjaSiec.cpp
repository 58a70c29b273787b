// Program entry: the application titled "Instalator" with its one window.
#include "Unit1.h"

int main() {
    TApplication app;
    Application->Initialize();
    Application->Title = "Instalator";
    Application->CreateForm(Form1);
    Application->Run();
    return 0;
}
