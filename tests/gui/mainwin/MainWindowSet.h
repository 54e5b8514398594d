#pragma once
// The main window with the windows it works with, wired as start-up wires
// them, for tests of the mainwin layer.

#include <memory>

#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"

namespace nebu::guitest {

struct MainWindowSet {
    std::unique_ptr<TMain_from> main = std::make_unique<TMain_from>();
    std::unique_ptr<TShori_f> shori = std::make_unique<TShori_f>();
    std::unique_ptr<TTermsF> terms;

    MainWindowSet() {
        TMain_from* window = main.get();
        terms = std::make_unique<TTermsF>(window->Settings(), [window] { window->ShowSettings(); });
        main->SetPeers(shori.get(), terms.get());
    }
    ~MainWindowSet() {
        terms.reset();
        shori.reset();
        main.reset();
    }
};

}  // namespace nebu::guitest
