#include "args.h"

namespace tavrin::cli {

Args::Args(const std::vector<std::string>& argv, const std::set<std::string>& valued,
           const std::set<std::string>& repeatable) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            positional_.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (const auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
        }
        if (valued.count(name)) {
            std::string v;
            if (inlineValue) {
                v = *inlineValue;
            } else if (i + 1 < argv.size()) {
                v = argv[++i];
            } else if (error_.empty()) {
                error_ = name + " needs a value";
                continue;
            }
            if (!repeatable.count(name)) options_.erase(name);
            options_.emplace(name, v);
        } else {
            switches_.insert(name);
        }
    }
}

bool Args::has(const std::string& name) const {
    return switches_.count(name) || options_.count(name);
}

std::optional<std::string> Args::value(const std::string& name) const {
    const auto it = options_.find(name);
    if (it == options_.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> Args::values(const std::string& name) const {
    std::vector<std::string> out;
    const auto [b, e] = options_.equal_range(name);
    for (auto it = b; it != e; ++it)
        out.push_back(it->second);
    return out;
}

}  // namespace tavrin::cli
