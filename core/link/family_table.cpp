#include "link/family_table.h"

#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "families/s5/dbs5.h"

namespace tavrin {

namespace {

constexpr FamilyInfo kFamilies[] = {
    {1, "Ордис Р7", "r7", "bor", "ord", "БД Ордиса Р7", "*.bor", "*.hex", "Конфигуратор Ордис Р7",
     "Ордис_Р7", "Journal.odj", "", 2048, "", 9600},
    {2, "Талвир К2", "k2", "bta", "tlv", "БД Талвира К2", "*.bta;*.tlv", "",
     "Конфигуратор Талвир К2", "Талвир_К2", "Journal.tvj", "JournalAS.tvj", 2339, "Zap.tvz",
     128000},
    {3, "Версан С5", "s5", "", "", "БД Версан С5", "", "Soft*.conf", "Конфигуратор Версан С5",
     "Версан_С5", "Journal.vsj", "", 0, "Zap.conf", 19200},
};

}  // namespace

const FamilyInfo* familyInfo(int code) {
    for (const auto& f : kFamilies) {
        if (f.code == code) return &f;
    }
    return nullptr;
}

const FamilyInfo* familyByCliName(std::string_view name) {
    for (const auto& f : kFamilies) {
        if (name == f.cliName) return &f;
    }
    return nullptr;
}

void applyFamilyInfo(DBase& db, const FamilyInfo& info) {
    db.familyCode = info.code;
    db.extension1 = info.extension1;
    db.extension2 = info.extension2;
    db.fileTypeText = info.fileTypeText;
    db.openFilter = info.openFilter;
    db.firmwareFilter = info.firmwareFilter;
    db.title = info.title;
    db.sectionName = info.sectionName;
    db.journalFileName = info.journalFileName;
    db.journalFileName2 = info.journalFileName2;
    db.journalCapacity = info.journalCapacity;
    db.dustinessFileName = info.dustinessFileName;
    db.baudRate = info.defaultBaudRate;
}

std::unique_ptr<DBase> CreateDatabase(int familyCode, int role, const AppContext& context) {
    switch (familyCode) {
        case 1:
            return std::make_unique<DBR7>(role, context);
        case 2:
            return std::make_unique<DBK2>(role, context);
        case 3:
            return std::make_unique<DBS5>(role, context);
        default:
            return nullptr;
    }
}

}  // namespace tavrin
