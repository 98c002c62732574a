#include "link/dbase.h"

#include "base/text.h"
#include "link/port_settings.h"
#include "link/result_codes.h"
#include "settings/ini_file.h"

namespace tavrin {

int parityIndex(std::string_view word) {
    for (int i = 0; i < 5; ++i) {
        if (word == kParityWords[i]) return i;
    }
    return -1;
}

int stopBitsIndex(std::string_view word) {
    for (int i = 0; i < 3; ++i) {
        if (word == kStopBitWords[i]) return i;
    }
    return -1;
}

DBase::DBase(const FamilyTraits& traits, int roleIn, const AppContext& context)
    : familyCode(tavrin::familyCode(traits.family)),
      extension1(traits.extension1),
      extension2(traits.extension2),
      fileTypeText(traits.fileTypeText),
      openFilter(traits.openFilter),
      firmwareFilter(traits.firmwareFilter),
      title(traits.title),
      sectionName(traits.sectionName),
      journalFileName(traits.journalFileName),
      journalFileName2(traits.journalFileName2),
      journalCapacity(traits.journalCapacity),
      dustinessFileName(traits.dustinessFileName),
      baudRate(traits.defaultBaudRate),
      role(roleIn),
      traits_(traits),
      ctx_(context) {}

DBase::~DBase() {
    if (link_.portOpen()) {
        LogLine("Порт закрыт");
        link_.dropPort();
    }
    CloseLog();
}

std::string DBase::DescribeResult(int code) {
    if (code == 14 && ctx_.prompter) {
        ctx_.prompter->message(kNoLinkBoxText, kExchangeTitle, PromptIcon::Error);
    }
    return describeResult(code, traits_.showsPanelAddress, PanelAddress());
}

void DBase::LoadPortSettings() {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    const std::string& s = sectionName;
    baudRate = ini.getInt(s, "Скорость", baudRate);
    // A device path (POSIX) is read whole; a Windows name with capacity 6.
    const auto com = ini.value(s, "COM");
    if (com && !com->empty() && com->front() == '/') {
        portName = *com;
    } else {
        portName = ini.getString(s, "COM", kDefaultPortName, 6);
    }
    if (const int i = stopBitsIndex(ini.getString(s, "Стопбит", "1", 20)); i >= 0) stopBits = i;
    if (const int i = parityIndex(ini.getString(s, "Четность", "нет", 20)); i >= 0) parity = i;
    logEnabled = ini.getString(s, "Лог", kNo, 20) == kYes;
    simulation = ini.getString(s, "Имитация", kNo, 20) == kYes;
    deviceAnswered = false;
}

void DBase::SavePortSettings() {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    const std::string& s = sectionName;
    ini.setInt(s, "Скорость", baudRate);
    ini.set(s, "COM", IniFile::quoted(portName));
    ini.set(s, "Стопбит", kStopBitWords[stopBits >= 0 && stopBits < 3 ? stopBits : 0]);
    ini.set(s, "Четность", kParityWords[parity >= 0 && parity < 5 ? parity : 0]);
    ini.set(s, "Лог", logEnabled ? kYes : kNo);
    ini.set(s, "Имитация", simulation ? kYes : kNo);
    ini.save(ctx_.settingsPath);
    ClosePort();
}

bool DBase::ConfirmIncompleteWrite(const std::string& caption) {
    if (incompleteFileText.empty()) return true;
    if (!ctx_.prompter) return false;
    return ctx_.prompter->ask(incompleteFileText + "\n\nЗаписать в прибор неполную базу?", caption,
                              PromptIcon::Warning,
                              PromptButtons::YesNoDefaultNo) == PromptAnswer::Yes;
}

std::string DBase::WindowTitle(std::size_t capacity) const {
    const std::size_t titleLen = utf16Length(title);
    if (!filePath.empty()) {
        if (titleLen + utf16Length(filePath) + 5 <= capacity) return title + " - " + filePath;
        return std::string();
    }
    return titleLen < capacity ? title : std::string();
}

bool DBase::SaveCopyToDisk(const std::string& path) {
    const std::string path0 = filePath;
    const int modified0 = modified;
    const bool saved = SaveToDisk(path);
    filePath = path0;
    modified = modified0;
    return saved;
}

// ---- Panel operations a family does not have -------------------------------------

bool DBase::ExportCsv(const std::string&) {
    return false;
}
int DBase::ReadFromDevice(Progress&) {
    return kResultNotImplemented;
}
int DBase::WriteToDevice(Progress&) {
    return kResultNotImplemented;
}
int DBase::WriteFirmware(Progress&, ByteSpan) {
    return kResultNotImplemented;
}
int DBase::ReadJournal(Progress&) {
    return kResultNotImplemented;
}
int DBase::ReadActiveEvents(Progress&) {
    return kResultNotImplemented;
}
int DBase::SetDeviceTime() {
    return kResultNotImplemented;
}
int DBase::ReadVersion() {
    return kResultNotImplemented;
}
bool DBase::CheckChecksum(ByteSpan) {
    return false;
}
bool DBase::IsPositiveReply(ByteSpan) {
    return false;
}
int DBase::SimulateDevice(ByteSpan, std::span<std::uint8_t, kReplyBufferSize>) {
    return 0;  // no reply
}
int DBase::ReadDustiness(Progress&, int) {
    return kResultNotImplemented;
}
int DBase::CheckDatabase(ReportList*, ReportList*, ReportList*) {
    writable = false;
    return kResultNotImplemented;
}
void DBase::PrintDatabase(PrintSurface&) {}
int DBase::QueryDeviceTime() {
    return kResultNotImplemented;
}

}  // namespace tavrin
