#include "families/k2/dbk2.h"

#include "link/family_table.h"

namespace tavrin {

DBK2::DBK2(int roleIn, const AppContext& context) : DBase(roleIn, context) {
    applyFamilyInfo(*this, *familyInfo(2));
    LoadPortSettings();
    DBK2::ResetDatabase();
}

DBK2::~DBK2() = default;

void DBK2::ResetDatabase() {
    modified = 0;
    filePath.clear();
    databaseValid = false;
}
bool DBK2::LoadFromDisk(const std::string&) { return false; }
bool DBK2::SaveToDisk(const std::string&) { return false; }
bool DBK2::ExportCsv(const std::string&) { return true; }
int DBK2::ReadFromDevice(Progress&) { return 1; }
int DBK2::WriteToDevice(Progress&) { return 1; }
int DBK2::WriteFirmware(Progress&, ByteSpan) { return 0; }
int DBK2::ReadJournal(Progress&) { return 1; }
int DBK2::ReadActiveEvents(Progress&) { return 0; }
int DBK2::SetDeviceTime() { return 1; }
int DBK2::ReadVersion() { return 1; }
bool DBK2::CheckChecksum(ByteSpan) { return false; }
bool DBK2::IsPositiveReply(ByteSpan) { return true; }
int DBK2::SimulateDevice(ByteSpan, std::span<std::uint8_t, kReplyBufferSize>) { return 0; }
int DBK2::ReadDustiness(Progress&, int) { return 0; }
int DBK2::CreateElement(int, int) { return -1; }
void DBK2::RemoveElement(int) {}
int DBK2::CreateKey() { return -1; }
void DBK2::RemoveKey(int) {}
int DBK2::CheckDatabase(ReportList*, ReportList*, ReportList*) { return 0; }
void DBK2::PrintDatabase(PrintSurface&) {}
int DBK2::GetItemImage(ItemCode) { return -1; }
RuleAnswer DBK2::CutItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBK2::CopyItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBK2::PasteItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBK2::DeleteItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBK2::InsertItem(const EditRuleArgs&) { return {}; }
int DBK2::FindKey(ByteSpan) { return -1; }

}  // namespace tavrin
