// A fresh application with Form1 created and shown, as the entry leaves it,
// over a fresh headless world.
#pragma once

#include <memory>

#include "Headless.h"
#include "Unit1.h"

struct Wizard {
    std::unique_ptr<TApplication> app;
    Wizard() {
        headless::Reset();
        app = std::make_unique<TApplication>();
        Application->Title = "Instalator";
        Application->CreateForm(Form1);
        Application->Run();
    }
    ~Wizard() { app.reset(); Form1 = nullptr; }
    TForm1& f() { return *Form1; }
};
