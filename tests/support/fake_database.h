// A database of "Талвир К2" whose file and device operations are
// scripted: files hold the text "db" (or "db-short", a file taken although it
// ended early; anything else fails to load), device
// operations return the codes set in the script and count their calls.
// Used by the shell's tests in core and in the gui.
#pragma once

#include <cerrno>
#include <functional>
#include <memory>
#include <string>

#include "base/file_io.h"
#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "link/app_context.h"
#include "registry/family_registry.h"

namespace tavrin::test {

struct DeviceScript {
    int readCode = 0;
    int writeCode = 0;
    int journalCode = 0;
    int versionCode = 0;
    int checkCode = 0;
    int timeCode = 0;
    bool writable = true;
    int reads = 0, writes = 0, journals = 0, versions = 0, firmwares = 0;
    std::size_t firmwareBytes = 0;
    // Called inside ReadFromDevice with the progress (for the gui's tests).
    std::function<void(Progress&)> duringRead;
};

template <class Family>
class FakeDatabase : public Family {
  public:
    FakeDatabase(int roleIn, const AppContext& ctx, DeviceScript& script)
        : Family(roleIn, ctx), script_(script) {}

    bool LoadFromDisk(const std::string& path) override {
        this->ResetDatabase();
        Bytes bytes;
        if (!readWholeFile(pathFromUtf8(path), bytes)) return false;
        const std::string text(bytes.begin(), bytes.end());
        if (text != "db" && text != "db-short") return false;
        // "db-short" stands for a file that ended early and was taken.
        if (text == "db-short") this->incompleteFileText = "Файл базы неполный.";
        this->filePath = path;
        this->databaseValid = true;
        return true;
    }
    bool SaveToDisk(const std::string& path) override {
        const std::string text = "db";
        if (path.find("readonly") != std::string::npos) {
            errno = EACCES;
            return false;
        }
        if (!writeFileAtomic(pathFromUtf8(path), Bytes(text.begin(), text.end()))) return false;
        this->filePath = path;
        this->modified = 0;
        return true;
    }
    bool ExportCsv(const std::string& path) override {
        const std::string text = "csv";
        return writeFileAtomic(pathFromUtf8(path), Bytes(text.begin(), text.end()));
    }
    int ReadFromDevice(Progress& progress) override {
        ++script_.reads;
        this->ResetDatabase();
        if (script_.duringRead) script_.duringRead(progress);
        if (script_.readCode == 0) this->databaseValid = true;
        return script_.readCode;
    }
    int WriteToDevice(Progress&) override {
        ++script_.writes;
        return script_.writeCode;
    }
    int ReadJournal(Progress&) override {
        ++script_.journals;
        return script_.journalCode;
    }
    int ReadVersion() override {
        ++script_.versions;
        if (script_.versionCode == 0) this->firmwareVersionText = "1.04";
        return script_.versionCode;
    }
    int SetDeviceTime() override { return script_.timeCode; }
    int WriteFirmware(Progress&, ByteSpan image) override {
        ++script_.firmwares;
        script_.firmwareBytes = image.size();
        return 0;
    }
    int CheckDatabase(ReportList*, ReportList*, ReportList*) override {
        this->writable = script_.writable;
        return script_.checkCode;
    }

  private:
    DeviceScript& script_;
};

// A factory for the shell that makes fake databases of the first two
// families and real ones of the third.
inline auto fakeFactory(DeviceScript& script) {
    return [&script](Family family, int role, const AppContext& ctx) -> std::unique_ptr<DBase> {
        if (family == Family::K2) return std::make_unique<FakeDatabase<DBK2>>(role, ctx, script);
        if (family == Family::R7) return std::make_unique<FakeDatabase<DBR7>>(role, ctx, script);
        return CreateDatabase(family, role, ctx);
    };
}

}  // namespace tavrin::test
