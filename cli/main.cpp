// tavrin-cli: the configurator's core from a terminal.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

#ifdef _WIN32
#include <windows.h>

#include "base/text.h"
#endif

namespace {

void printHelp() {
    std::cout << "tavrin-cli " << TAVRIN_VERSION
              << " — конфигуратор приборов из командной строки\n\n"
                 "Usage: tavrin-cli COMMAND [ARGS...]\n"
                 "       tavrin-cli --help | --version\n\n"
                 "Commands:\n";
    for (const auto& c : tavrin::cli::commands()) {
        std::cout << "  " << c.usage << "\n      " << c.summary << "\n";
    }
}

int run(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp();
        return args.empty() ? 1 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "tavrin-cli " << TAVRIN_VERSION << "\n";
        return 0;
    }
    for (const auto& c : tavrin::cli::commands()) {
        if (args[0] == c.name) return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    std::cerr << "tavrin-cli: unknown command '" << args[0] << "' (see --help)\n";
    return 1;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(tavrin::utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    }
    return run(args);
}
#else
int main(int argc, char** argv) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
