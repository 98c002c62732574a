#include "app/device_search.h"

#include <algorithm>
#include <cctype>

#include "base/file_io.h"
#include "link/port_search.h"
#include "registry/family_registry.h"
#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tavrin {

namespace {
constexpr const char* kTitle = kPortSearchTitle;
}  // namespace

std::optional<std::vector<std::string>> DatabasePortProber::candidates(std::string& error) {
    if (!ctx_.ports) {
        error = systemErrorText(0);
        return std::nullopt;
    }
    std::vector<std::string> ports = ctx_.ports->candidates();
    // Device paths named in the settings (a USB adapter, a simulator's
    // pseudo-terminal) that the system's list does not hold come after it.
    for (const FamilyDescriptor& d : allFamilies()) {
        const std::string named =
            readProfileString(ctx_.settingsPath, d.traits.sectionName, "COM", "", 260);
        if (named.empty() || named.front() != '/') continue;
        if (std::find(ports.begin(), ports.end(), named) == ports.end()) ports.push_back(named);
    }
    return ports;
}

bool DatabasePortProber::probe(Family family, const std::string& port) {
    std::unique_ptr<DBase> db = factory_(family, 1, ctx_);
    if (!db) return false;
    prepareProbe(*db);
    return probePort(*db, port);
}

DeviceSearchOutcome searchDevicePort(PortProber& prober, DBase& active, Prompter& prompter,
                                     const std::function<void(const std::string&)>& status) {
    std::string listError;
    const auto ports = prober.candidates(listError);
    if (!ports) {
        prompter.message(listError, kTitle, PromptIcon::Error);
        return DeviceSearchOutcome::ListError;
    }
    if (ports->empty()) {
        prompter.message(kPortSearchNoPorts, kTitle, PromptIcon::Error);
        return DeviceSearchOutcome::NoPorts;
    }
    if (!active.traits().commands.portSearch) {
        prompter.message(kPortSearchNotImplemented, kTitle, PromptIcon::Error);
        return DeviceSearchOutcome::NotImplemented;
    }
    // The port the database is set to comes first: it is the likeliest.
    std::vector<std::string> order;
    if (!active.portName.empty()) order.push_back(active.portName);
    for (const std::string& port : *ports) {
        if (std::find(order.begin(), order.end(), port) == order.end()) order.push_back(port);
    }
    std::string found;
    for (const std::string& port : order) {
        status(portSearchText(kPortSearchCheckingFormat, port));
        if (prober.probe(active.family(), port)) {
            found = port;
            break;
        }
    }
    status("");
    if (found.empty()) {
        prompter.message(kPortSearchNotFound, kTitle, PromptIcon::Information);
        return DeviceSearchOutcome::NotFound;
    }
    if (found == active.portName) {
        prompter.message(kPortSearchSamePort, kTitle, PromptIcon::Information);
        return DeviceSearchOutcome::AlreadySet;
    }
    if (prompter.ask(portSearchText(kPortSearchFoundFormat, found), kTitle, PromptIcon::Question,
                     PromptButtons::YesNo) != PromptAnswer::Yes) {
        return DeviceSearchOutcome::Declined;
    }
    active.portName = found;
    active.SavePortSettings();
    return DeviceSearchOutcome::Taken;
}

int portNumberOf(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return 0;
    int n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + (name[i] - '0');
        if (n > 1000) return 0;
    }
    return n;
}

}  // namespace tavrin
