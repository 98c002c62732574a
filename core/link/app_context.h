// What the shell hands to every database object: where the settings and the
// exchange log live, and the seams to the platform. Owned by the caller
// (the gui's main frame, the cli, a test); it outlives the databases.
#pragma once

#include <filesystem>

#include "base/seams.h"
#include "link/serial_port.h"

namespace tavrin {

struct AppContext {
    std::filesystem::path programFolder;  // current directory at start-up
    std::filesystem::path settingsPath;   // programFolder / "Tavrin.ini"
    Prompter* prompter = nullptr;         // never null once made by makeAppContext
    Clock* clock = nullptr;
    CancelWindow* cancelWindow = nullptr;  // may be null: no window shown
    SerialPortFactory* ports = nullptr;
};

// A context for the given program folder with a silent prompter, the system
// clock and the system's ports; the caller replaces what it needs.
AppContext makeAppContext(const std::filesystem::path& programFolder);

}  // namespace tavrin
