#include "families/r7/dbr7.h"

#include "link/family_table.h"

namespace tavrin {

DBR7::DBR7(int roleIn, const AppContext& context) : DBase(roleIn, context) {
    applyFamilyInfo(*this, *familyInfo(1));
    LoadPortSettings();
    DBR7::ResetDatabase();
}

DBR7::~DBR7() = default;

void DBR7::ResetDatabase() {
    modified = 0;
    filePath.clear();
    databaseValid = false;
}
bool DBR7::LoadFromDisk(const std::string&) { return false; }
bool DBR7::SaveToDisk(const std::string&) { return false; }
bool DBR7::ExportCsv(const std::string&) { return true; }
int DBR7::ReadFromDevice(Progress&) { return 1; }
int DBR7::WriteToDevice(Progress&) { return 1; }
int DBR7::WriteFirmware(Progress&, ByteSpan) { return 0; }
int DBR7::ReadJournal(Progress&) { return 1; }
int DBR7::ReadActiveEvents(Progress&) { return 0; }
int DBR7::SetDeviceTime() { return 1; }
int DBR7::ReadVersion() { return 1; }
bool DBR7::CheckChecksum(ByteSpan) { return false; }
bool DBR7::IsPositiveReply(ByteSpan) { return true; }
int DBR7::SimulateDevice(ByteSpan, std::span<std::uint8_t, kReplyBufferSize>) { return 0; }
int DBR7::ReadDustiness(Progress&, int) { return 0; }
int DBR7::CreateElement(int, int) { return -1; }
void DBR7::RemoveElement(int) {}
int DBR7::CreateKey() { return -1; }
void DBR7::RemoveKey(int) {}
int DBR7::CheckDatabase(ReportList*, ReportList*, ReportList*) { return 0; }
void DBR7::PrintDatabase(PrintSurface&) {}
int DBR7::GetItemImage(ItemCode) { return -1; }
RuleAnswer DBR7::CutItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBR7::CopyItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBR7::PasteItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBR7::DeleteItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBR7::InsertItem(const EditRuleArgs&) { return {}; }
int DBR7::FindKey(ByteSpan) { return -1; }

}  // namespace tavrin
