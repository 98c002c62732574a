// Commands that talk to a "Версан С5" console over its link: read-version
// --family s5. The port settings come from the command line through a
// private copy of the folder's Tavrin.ini, as for the other device commands;
// the exchange log (--log) goes to the current folder. Ctrl-C stops the
// operation as the cancel window's button does (code 21).
#include <atomic>
#include <csignal>
#include <filesystem>
#include <iostream>

#include "args.h"
#include "cli_prompter.h"
#include "commands.h"
#include "families/s5/dbs5.h"
#include "link/idle_port.h"
#include "link/port_settings.h"
#include "link/result_codes.h"
#include "private_settings.h"
#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tavrin::cli {

namespace {

constexpr const char* kSection = "Версан_С5";

std::atomic<CancelToken*> gS5Cancel{nullptr};

extern "C" void onS5Interrupt(int) {
    if (CancelToken* t = gS5Cancel.load()) t->cancel();
}

}  // namespace

int runS5ReadVersionCommand(const Argv& argv) {
    const Args args(argv, {"--port", "--baud", "--family"});
    bool ok = args.error().empty() && args.positional().empty() &&
              (args.has("--port") || args.has("--simulate"));
    if (ok && args.has("--port") && !IniFile::storable("x", "x", *args.value("--port"))) {
        std::cerr << "tavrin-cli: a port name cannot hold a line break\n";
        ok = false;
    }
    if (ok && args.has("--baud")) {
        const std::string b = *args.value("--baud");
        ok = !b.empty() && b.find_first_not_of("0123456789") == std::string::npos && b.size() < 10;
    }
    if (!ok) {
        std::cerr << "usage: tavrin-cli read-version --family s5 --port NAME | --simulate "
                     "[--baud N] [--log]\n";
        return 1;
    }
    const auto folder = std::filesystem::current_path();
    CliPrompter prompter(false);
    IdlePortFactory idlePorts;
    AppContext ctx = makeAppContext(folder);
    ctx.prompter = &prompter;
    PrivateSettings settings;
    const bool simulate = args.has("--simulate");
    {
        IniFile ini;
        ini.load(folder / kSettingsFileName);
        ini.set(kSection, "COM", args.value("--port").value_or(simulate ? "COM1" : ""));
        if (const auto baud = args.value("--baud")) ini.set(kSection, "Скорость", *baud);
        ini.set(kSection, "Лог", args.has("--log") ? kYes : kNo);
        ini.set(kSection, "Имитация", simulate ? kYes : kNo);
        if (!settings.create(ini)) return 1;
        ctx.settingsPath = settings.path();
    }
    if (simulate) ctx.ports = &idlePorts;

    int code = 0;
    {
        DBS5 db(0, ctx);
        gS5Cancel.store(&db.exchangeActive);
        const auto previous = std::signal(SIGINT, onS5Interrupt);
        code = db.ReadVersion();
        db.ClosePort();
        std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
        gS5Cancel.store(nullptr);
        if (code == kResultOk) std::cout << "firmware: " << db.firmwareVersionText << "\n";
        std::cout << db.DescribeResult(code) << "\n";
    }
    return code;
}

}  // namespace tavrin::cli
