#include "link/port_search.h"

namespace tavrin {

std::string portSearchText(const char* format, const std::string& port) {
    std::string out = format;
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, port);
    return out;
}

void prepareProbe(DBase& probe) {
    probe.readTotalTimeoutConstant = kSearchTotalConstant;
    probe.readIntervalTimeout = kSearchInterval;
    probe.readTotalTimeoutMultiplier = kSearchTotalMultiplier;
    probe.simulation = false;
}

bool probePort(DBase& probe, const std::string& port) {
    probe.portName = port;
    int code = -1;
    if (probe.SetUpPort()) code = probe.ReadVersion();
    probe.ClosePort();
    return code == 0;
}

PortSearchResult searchPort(Family family, const AppContext& context,
                            const std::function<void(const std::string&)>& checking,
                            const DatabaseMaker& make) {
    PortSearchResult result;
    const std::vector<std::string> candidates =
        context.ports ? context.ports->candidates() : std::vector<std::string>{};
    if (candidates.empty()) {
        result.outcome = PortSearchResult::Outcome::NoPorts;
        return result;
    }
    std::unique_ptr<DBase> probe = make(family, context);
    if (!probe) {
        result.outcome = PortSearchResult::Outcome::NotFound;
        return result;
    }
    if (!probe->traits().commands.portSearch) {
        result.outcome = PortSearchResult::Outcome::NotImplemented;
        return result;
    }
    prepareProbe(*probe);
    for (const std::string& name : candidates) {
        if (checking) checking(name);
        result.tried.push_back(name);
        if (probePort(*probe, name)) {
            result.outcome = PortSearchResult::Outcome::Found;
            result.port = name;
            return result;
        }
    }
    result.outcome = PortSearchResult::Outcome::NotFound;
    return result;
}

bool reportPortSearch(const PortSearchResult& result, DBase& active, Prompter& prompter) {
    using Outcome = PortSearchResult::Outcome;
    switch (result.outcome) {
        case Outcome::NoPorts:
            prompter.message(kPortSearchNoPorts, kPortSearchTitle, PromptIcon::None);
            return false;
        case Outcome::NotImplemented:
            prompter.message(kPortSearchNotImplemented, kPortSearchTitle, PromptIcon::None);
            return false;
        case Outcome::NotFound:
            prompter.message(kPortSearchNotFound, kPortSearchTitle, PromptIcon::None);
            return false;
        case Outcome::Found:
            break;
    }
    if (result.port == active.portName) {
        prompter.message(kPortSearchSamePort, kPortSearchTitle, PromptIcon::None);
        return false;
    }
    const PromptAnswer answer =
        prompter.ask(portSearchText(kPortSearchFoundFormat, result.port), kPortSearchTitle,
                     PromptIcon::Question, PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes) return false;
    active.portName = result.port;
    active.SavePortSettings();
    return true;
}

}  // namespace tavrin
