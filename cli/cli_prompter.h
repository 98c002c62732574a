// The cli's Prompter: prints every message to stderr as "title: text" and
// answers questions from the command's options (--yes answers Yes/Ok; without
// it a question is answered No/Cancel, so nothing is done unasked; a question
// whose default is No needs --force).
#pragma once

#include "base/seams.h"

namespace tavrin::cli {

class CliPrompter : public Prompter {
  public:
    explicit CliPrompter(bool assumeYes = false) : assumeYes_(assumeYes) {}
    // A question whose safe answer is No is answered Yes only with --force.
    void setForce(bool force) { force_ = force; }
    PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon,
                     PromptButtons buttons) override;

  private:
    bool assumeYes_;
    bool force_ = false;
};

}  // namespace tavrin::cli
