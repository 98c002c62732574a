#include "link/app_context.h"

#include "settings/settings.h"

namespace tavrin {

AppContext makeAppContext(const std::filesystem::path& programFolder) {
    static SilentPrompter silent;
    static SystemClock clock;
    AppContext c;
    c.programFolder = programFolder;
    c.settingsPath = programFolder / kSettingsFileName;
    c.prompter = &silent;
    c.clock = &clock;
    c.ports = &systemPortFactory();
    return c;
}

}  // namespace tavrin
