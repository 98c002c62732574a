// The cli's commands. Each takes the arguments after its name and returns
// the process exit code. Output is UTF-8: values on stdout, one
// "name: value" per line where a value is printed; errors on stderr.
#pragma once

#include <string>
#include <vector>

namespace tavrin::cli {

using Argv = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // "info FILE [--family k2|r7|s5]"
    const char* summary;  // one line for --help
    int (*run)(const Argv& args);
};

// The table of commands, in the order --help lists them.
const std::vector<Command>& commands();

}  // namespace tavrin::cli
