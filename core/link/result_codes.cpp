#include "link/result_codes.h"

namespace tavrin {

namespace {

constexpr const char* kTexts[] = {
    "Команда выполнена",
    "Неизвестная ошибка!",
    "Неизвестная ошибка прибора!",
    "Порт не открыт!",
    "Прибор не отвечает!",
    "Передано не все!",
    "Ошибка CRC конфигуратора!",
    "Отказ прибора выполнить команду(crc или ошибка в команде)",
    "Переполнение базы!",
    "Некорректная длина данных!",
    "Неверная команда к прибору!",
    "Нет прав на выполнение команды!",
    "Получена не та запись базы!",
    "Неизвестное сообщение от прибора",
    "Нет связи с прибором",
    "Ошибка в ответе от прибора",
    "Нет связи с целевым устройством",
    "Ошибка КС в строке БД",
    "Отмена",
    "Ошибка в исходном файле.",
    "Ошибка записи ПО прибора.",
    "Команда отменена пользователем.",
    "Прерывание сеанса связи прибором.",
    "Неудачный обмен, КС не совпадают.",
    "Операция не реализована для этого прибора",
    "Запись не подтверждена",
};

}  // namespace

const char* resultText(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return kTexts[kResultUnknownError];
    return kTexts[code];
}

std::string describeResult(int code, bool showAddress, int panelAddress) {
    std::string s;
    if (showAddress) {
        s = "Адрес=" + std::to_string(panelAddress == 0 ? 1 : panelAddress) + ". ";
    }
    s += resultText(code);
    if (code != kResultOk && code != kResultNoTargetLink && code != kResultNotImplemented)
        s += "  Сеанс обмена закрыт.";
    return s;
}

}  // namespace tavrin
