#include "families/s5/dbs5.h"

#include "link/family_table.h"

namespace tavrin {

DBS5::DBS5(int roleIn, const AppContext& context) : DBase(roleIn, context) {
    applyFamilyInfo(*this, *familyInfo(3));
    LoadPortSettings();
    DBS5::ResetDatabase();
}

DBS5::~DBS5() = default;

void DBS5::ResetDatabase() {
    modified = 0;
    filePath.clear();
    databaseValid = false;
}
bool DBS5::LoadFromDisk(const std::string&) { return false; }
bool DBS5::SaveToDisk(const std::string&) { return false; }
bool DBS5::ExportCsv(const std::string&) { return true; }
int DBS5::ReadFromDevice(Progress&) { return 1; }
int DBS5::WriteToDevice(Progress&) { return 1; }
int DBS5::WriteFirmware(Progress&, ByteSpan) { return 0; }
int DBS5::ReadJournal(Progress&) { return 1; }
int DBS5::ReadActiveEvents(Progress&) { return 0; }
int DBS5::SetDeviceTime() { return 1; }
int DBS5::ReadVersion() { return 1; }
bool DBS5::CheckChecksum(ByteSpan) { return false; }
bool DBS5::IsPositiveReply(ByteSpan) { return true; }
int DBS5::SimulateDevice(ByteSpan, std::span<std::uint8_t, kReplyBufferSize>) { return 0; }
int DBS5::ReadDustiness(Progress&, int) { return 0; }
int DBS5::CreateElement(int, int) { return -1; }
void DBS5::RemoveElement(int) {}
int DBS5::CreateKey() { return -1; }
void DBS5::RemoveKey(int) {}
// The console has no check of its own: every database may be written.
int DBS5::CheckDatabase(ReportList*, ReportList*, ReportList*) {
    writable = true;
    return 0;
}
void DBS5::PrintDatabase(PrintSurface&) {}
int DBS5::GetItemImage(ItemCode) { return -1; }
RuleAnswer DBS5::CutItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBS5::CopyItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBS5::PasteItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBS5::DeleteItem(const EditRuleArgs&) { return {}; }
RuleAnswer DBS5::InsertItem(const EditRuleArgs&) { return {}; }
int DBS5::FindKey(ByteSpan) { return -1; }

}  // namespace tavrin
