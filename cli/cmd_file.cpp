// Commands on database files: info, convert.
#include <filesystem>
#include <iostream>

#include "args.h"
#include "base/file_io.h"
#include "cli_prompter.h"
#include "commands.h"
#include "family_files.h"
#include "registry/family_registry.h"

namespace tavrin::cli {

std::optional<Family> familyForPath(const std::string& path, const std::string& familyOption,
                                    std::string& error) {
    if (!familyOption.empty()) {
        if (const FamilyDescriptor* f = familyByCliName(familyOption)) return f->traits.family;
        error = "unknown family '" + familyOption + "' (k2, r7 or s5)";
        return std::nullopt;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(pathFromUtf8(path), ec)) {
        for (const FamilyDescriptor& d : allFamilies()) {
            if (d.traits.folderDatabase) return d.traits.family;
        }
    }
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string ext = path.substr(dot + 1);
        for (auto& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const FamilyDescriptor& d : allFamilies()) {
            const FamilyTraits& f = d.traits;
            if ((*f.extension1 && ext == f.extension1) || (*f.extension2 && ext == f.extension2)) {
                return f.family;
            }
        }
    }
    error = "cannot tell the family of '" + path + "': give --family k2, r7 or s5";
    return std::nullopt;
}

bool loadNamedFile(DBase& db, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(pathFromUtf8(path), ec)) {
        std::cerr << "tavrin-cli: no such file: " << path << "\n";
        return false;
    }
    // A refusal has been shown by the prompter.
    if (!db.LoadFromDisk(path)) return false;
    // A file that ended early was taken with defaults: say which.
    if (!db.incompleteFileText.empty()) {
        db.context().prompter->message(db.incompleteFileText, "Чтение базы", PromptIcon::Warning);
    }
    return true;
}

bool saveNamedFile(DBase& db, const std::string& path, bool force) {
    const std::string warning = db.SaveWarning(path);
    if (!warning.empty()) {
        if (!force) {
            std::cerr << "Сохранение базы: " << warning << "\n"
                      << "tavrin-cli: nothing saved to " << path << "; --force saves anyway\n";
            return false;
        }
        db.ConfirmSave(path);
    }
    return db.SaveToDisk(path);
}

std::unique_ptr<DBase> openDatabaseFile(const std::string& path, const std::string& familyOption,
                                        const AppContext& ctx) {
    std::string error;
    const std::optional<Family> family = familyForPath(path, familyOption, error);
    if (!family) {
        std::cerr << "tavrin-cli: " << error << "\n";
        return nullptr;
    }
    auto db = CreateDatabase(*family, 0, ctx);
    if (!loadNamedFile(*db, path)) return nullptr;
    return db;
}

void printReportRows(const ReportList& list, std::ostream& out) {
    for (const auto& row : list.rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            out << (i ? "\t" : "") << row[i];
        out << "\n";
    }
}

namespace {

int runInfo(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 1) {
        std::cerr << "usage: tavrin-cli info FILE [--family k2|r7|s5]\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    auto db = openDatabaseFile(args.positional()[0], args.value("--family").value_or(""), ctx);
    if (!db) return 1;
    std::cout << "family: " << db->traits().cliName << "\n";
    for (const DBase::SummaryLine& line : db->Summary())
        std::cout << line.name << ": " << line.value << "\n";
    return 0;
}

int runConvert(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 2) {
        std::cerr << "usage: tavrin-cli convert IN OUT [--force] [--family k2|r7|s5]\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    auto db = openDatabaseFile(args.positional()[0], args.value("--family").value_or(""), ctx);
    if (!db) return 1;
    if (!saveNamedFile(*db, args.positional()[1], args.has("--force"))) return 1;
    std::cout << "saved: " << db->filePath << "\n";
    return 0;
}

}  // namespace

int runInfoCommand(const Argv& a) {
    return runInfo(a);
}
int runConvertCommand(const Argv& a) {
    return runConvert(a);
}

}  // namespace tavrin::cli
