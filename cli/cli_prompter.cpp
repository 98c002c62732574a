#include "cli_prompter.h"

#include <iostream>

namespace tavrin::cli {

PromptAnswer CliPrompter::ask(const std::string& text, const std::string& title, PromptIcon,
                              PromptButtons buttons) {
    std::cerr << (title.empty() ? "" : title + ": ") << text << "\n";
    switch (buttons) {
        case PromptButtons::Ok:
            return PromptAnswer::Ok;
        case PromptButtons::OkCancel:
            return assumeYes_ ? PromptAnswer::Ok : PromptAnswer::Cancel;
        case PromptButtons::YesNo:
            return assumeYes_ ? PromptAnswer::Yes : PromptAnswer::No;
        case PromptButtons::YesNoCancel:
            return assumeYes_ ? PromptAnswer::Yes : PromptAnswer::Cancel;
        case PromptButtons::YesNoDefaultNo:
            return force_ ? PromptAnswer::Yes : PromptAnswer::No;
    }
    return PromptAnswer::Cancel;
}

}  // namespace tavrin::cli
