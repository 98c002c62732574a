// Commands on the serial link: ports, search.
#include <filesystem>
#include <iostream>

#include "args.h"
#include "cli_prompter.h"
#include "commands.h"
#include "link/port_search.h"
#include "registry/family_registry.h"

namespace tavrin::cli {

namespace {

// The system's ports, but only the candidates given on the command line.
class ListedPorts : public SerialPortFactory {
  public:
    explicit ListedPorts(std::vector<std::string> names) : names_(std::move(names)) {}
    std::unique_ptr<SerialPort> open(const std::string& name, int& error) override {
        return systemPortFactory().open(name, error);
    }
    std::vector<std::string> candidates() override { return names_; }

  private:
    std::vector<std::string> names_;
};

int runPorts(const Argv& argv) {
    const Args args(argv, {});
    if (!args.error().empty() || !args.positional().empty()) {
        std::cerr << "usage: tavrin-cli ports\n";
        return 1;
    }
    for (const auto& name : systemPortFactory().candidates())
        std::cout << name << "\n";
    return 0;
}

int runSearch(const Argv& argv) {
    const Args args(argv, {"--family", "--port"}, {"--port"});
    if (!args.error().empty() || !args.positional().empty()) {
        std::cerr << "usage: tavrin-cli search [--family k2|r7] [--port PORT]... [--save]\n";
        return 1;
    }
    const FamilyDescriptor* family = familyByCliName(args.value("--family").value_or("k2"));
    if (!family) {
        std::cerr << "tavrin-cli: unknown family (k2 or r7)\n";
        return 1;
    }
    CliPrompter prompter(args.has("--save"));
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    ListedPorts listed(args.values("--port"));
    if (args.has("--port")) ctx.ports = &listed;

    const Family f = family->traits.family;
    const PortSearchResult result = searchPort(
        f, ctx,
        [](const std::string& port) {
            std::cerr << portSearchText(kPortSearchCheckingFormat, port) << "\n";
        },
        [](Family which, const AppContext& c) { return CreateDatabase(which, 1, c); });
    if (result.outcome == PortSearchResult::Outcome::Found) {
        std::cout << "port: " << result.port << "\n";
    }
    // The settings of the family's main database decide "already set"; with
    // --save the port found is stored in them.
    auto active = CreateDatabase(f, 0, ctx);
    reportPortSearch(result, *active, prompter);
    return result.outcome == PortSearchResult::Outcome::Found ? 0 : 1;
}

}  // namespace

int runPortsCommand(const Argv& args) {
    return runPorts(args);
}
int runSearchCommand(const Argv& args) {
    return runSearch(args);
}

}  // namespace tavrin::cli
