// Result codes of the device operations (0 = success, 1..23 errors, 24 an
// operation this program does not have for the family yet, 25 a write that
// the read-back did not confirm) and their texts. Device operations
// return codes; words are made at the edge.
#pragma once

#include <string>

namespace tavrin {

enum ResultCode : int {
    kResultOk = 0,
    kResultUnknownError = 1,
    kResultUnknownDeviceError = 2,
    kResultPortNotOpen = 3,
    kResultNoAnswer = 4,
    kResultNotAllSent = 5,
    kResultConfiguratorCrc = 6,
    kResultRefused = 7,
    kResultDatabaseOverflow = 8,
    kResultBadDataLength = 9,
    kResultBadCommand = 10,
    kResultNoRights = 11,
    kResultWrongRecord = 12,
    kResultUnknownMessage = 13,
    kResultNoLink = 14,
    kResultBadReply = 15,
    kResultNoTargetLink = 16,
    kResultRecordChecksum = 17,
    kResultCancelled = 18,
    kResultSourceFileError = 19,
    kResultFirmwareWriteError = 20,
    kResultStoppedByUser = 21,
    kResultSessionBroken = 22,
    kResultChecksumMismatch = 23,
    // The family has no such operation yet: nothing was sent, and the user is
    // told so instead of a success.
    kResultNotImplemented = 24,
    // The database read back after a write differs from what was sent.
    kResultWriteNotConfirmed = 25,
};

// The text of a code alone ("Неизвестная ошибка!" for unknown codes).
const char* resultText(int code);

// The whole message as the main frame shows it: for a family that shows its
// panel address ("Ордис Р7") it begins with "Адрес=%d. " (address 0 shown
// as 1); then the code's text; then "  Сеанс обмена закрыт." for every code
// except 0, 16 and 24 (no session was opened for an operation that is not
// there).
std::string describeResult(int code, bool showAddress, int panelAddress);

// The extra message box of code 14.
inline constexpr const char* kNoLinkBoxText = "Нет связи с прибором. Проверьте номер COM-порта";
inline constexpr const char* kExchangeTitle = "Обмен с прибором";

}  // namespace tavrin
