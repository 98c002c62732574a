// DBS5: the "Версан С5" database. Shell until the family's database lands.
#pragma once

#include "link/dbase.h"

namespace tavrin {

class DBS5 : public DBase {
public:
    DBS5(int role, const AppContext& context);
    ~DBS5() override;

    void ResetDatabase() override;
    bool LoadFromDisk(const std::string& path) override;
    bool SaveToDisk(const std::string& path) override;
    bool ExportCsv(const std::string& path) override;
    int ReadFromDevice(Progress& progress) override;
    int WriteToDevice(Progress& progress) override;
    int WriteFirmware(Progress& progress, ByteSpan image) override;
    int ReadJournal(Progress& progress) override;
    int ReadActiveEvents(Progress& progress) override;
    int SetDeviceTime() override;
    int ReadVersion() override;
    bool CheckChecksum(ByteSpan reply) override;
    bool IsPositiveReply(ByteSpan reply) override;
    int SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) override;
    int ReadDustiness(Progress& progress, int flag) override;
    int CreateElement(int type, int parent) override;
    void RemoveElement(int index) override;
    int CreateKey() override;
    void RemoveKey(int index) override;
    int CheckDatabase(ReportList* remarks, ReportList* devices, ReportList* functions) override;
    void PrintDatabase(PrintSurface& surface) override;
    int GetItemImage(ItemCode item) override;
    RuleAnswer CutItem(const EditRuleArgs& args) override;
    RuleAnswer CopyItem(const EditRuleArgs& args) override;
    RuleAnswer PasteItem(const EditRuleArgs& args) override;
    RuleAnswer DeleteItem(const EditRuleArgs& args) override;
    RuleAnswer InsertItem(const EditRuleArgs& args) override;
    int FindKey(ByteSpan code) override;
};

}  // namespace tavrin
