#include "commands.h"

namespace tavrin::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
    };
    return table;
}

}  // namespace tavrin::cli
