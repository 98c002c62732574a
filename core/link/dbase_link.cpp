// Port, exchange log, exchange and cancel window of DBase.
// Placeholder bodies until the serial link lands; every device operation
// reports that the port could not be opened.
#include "link/dbase.h"

namespace tavrin {

bool DBase::OpenPort() { return false; }
void DBase::ClosePort() { port_.reset(); }
bool DBase::SetUpPort() { return false; }
void DBase::LogLine(const std::string&) {}
void DBase::LogBytes(ByteSpan) {}
void DBase::LogSystemError(int) {}
void DBase::OpenLog(const std::string&) {}
void DBase::CloseLog() {}
std::filesystem::path DBase::LogFilePath() const { return {}; }
int DBase::Exchange(Bytes& reply, ByteSpan) {
    reply.clear();
    return 3;
}
bool DBase::StartCancelWindow(const std::string& t) {
    operationTitle = t;
    return true;
}
void DBase::FinishOperation() { ClosePort(); }

}  // namespace tavrin
