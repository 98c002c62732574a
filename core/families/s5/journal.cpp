// DBS5: the console's files read over the link ('v'), its event journal and
// its archive made into journal files, and clearing its current events.
//
// Files from the console land in the program folder (the archives in the
// system's temporary folder: their names come from the console). An event
// file is a 48-byte header the computer does not read, then 16-byte events:
//   0 code, 1 LCP (1..64; else a console event), 2 object (1-based),
//   3 device slot, 4 month (low 4 bits), 5 year (low 7), 6 hour (low 7),
//   7 minute (low 7), 8 second (low 7), 9 day, 10..13 not read,
//   14 key (1-based, LCP events) or the low byte of the console key number,
//   15 the high byte of the console key number.
#include <cstdio>
#include <fstream>
#include <random>

#include "base/file_io.h"
#include "base/text.h"
#include "families/s5/console_frames.h"
#include "families/s5/db_folder.h"
#include "families/s5/dbs5.h"
#include "files/journal_file.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

namespace {

constexpr const char* kEventsFile = "EVENTS.dat";
constexpr const char* kJournalTitle = "Чтение журнала";
constexpr const char* kArchiveTitle = "Чтение архива";
constexpr const char* kClearTitle = "Очистка актуальных событий";
constexpr std::size_t kEventHeaderSize = 48;
constexpr std::size_t kEventSize = 16;
constexpr std::size_t kMaxJournalRecords = 0xFFFF;  // the journal file counts in 16 bits

struct EventText {
    int code;
    const char* text;
};

// The texts of the event codes; codes not listed have none.
constexpr EventText kEventTexts[] = {
    {0, "Пусто"},
    {1, "Внимание"},
    {2, "Пожар"},
    {4, "Отмена пожара"},
    {5, "Обратный отсчет до пуска"},
    {6, "Остановка обратного отсчета"},
    {7, "Пуск автоматики"},
    {8, "Отмена пуска"},
    {9, "Блокировка пуска"},
    {10, "Продолжение отсчета"},
    {17, "Тревоги"},
    {18, "Отмена тревоги"},
    {19, "Взлом АУ(LCP)"},
    {20, "Взлом АУ(LCP) восстановлен"},
    {33, "Постановка на охрану"},
    {34, "Снятие с охраны"},
    {35, "Блокировка постановки/снятия с охраны"},
    {36, "Разблокировка постановки/снятия с охраны"},
    {37, "Неготовность к постановке на охрану"},
    {38, "Предъявление ключа снаружи"},
    {39, "Предъявление ключа изнутри"},
    {40, "Открытие двери"},
    {41, "Закрытие двери"},
    {42, "Готовность к постановке на охрану"},
    {48, "Начало автопрограммирования БДАУ"},
    {49, "Запись ключа"},
    {50, "Неудачная запись ключа"},
    {51, "Удаление ключа"},
    {52, "Блокировка ключа"},
    {55, "Сообщение контрольного шлейфа"},
    {56, "Отмена сообщения контрольного шлейфа"},
    {57, "Требуется обслуживание"},
    {58, "Отмена требования обслуживания"},
    {59, "Реле включено"},
    {60, "Реле выключено"},
    {61, "Предупреждение('Внимание' днем от аналогового извещателя)"},
    {62, "Предупреждение снято"},
    {63, "Автопрграммирование БДАУ закончено"},
    {65, "Неисправность (от любого АУ)"},
    {66, "Обрыв ШС"},
    {67, "Замыкание ШС"},
    {68, "Утечка ШС"},
    {69, "Плохой контакт ШС"},
    {70, "Неисправность реле"},
    {71, "КЗ линии считывателя"},
    {72, "Запыленность"},
    {73, "Нет связи с АУ"},
    {74, "Связь с АУ восстановлена"},
    {75, "Битовая карта 'Связь с АУ'"},
    {76, "Неисправность внешнего питания АУ"},
    {77, "Внешнее питание АУ восстановлено"},
    {78, "Битовая карта 'Внешнее питание АУ'"},
    {79, "АУ в норме"},
    {80, "Добавление АУ"},
    {81, "Удаление АУ"},
    {82, "Восстановление неисправности"},
    {83, "Тест АУ"},
    {84, "Запыленность в норме"},
    {85, "Восстановление обрыва ШС"},
    {86, "Восстановление КЗ ШС"},
    {87, "Восстановление утечки ШС"},
    {88, "Восстановление контакта ШС"},
    {89, "Восстановление неисправности реле"},
    {90, "Неисправность ЦУ реле"},
    {91, "Восстановление ЦУ реле"},
    {92, "Ошибка автопрограммирования"},
    {93, "АУ блокировано"},
    {94, "АУ разблокировано"},
    {95, "Битовая карта 'Блокировка АУ'"},
    {122, "Повреждена БД ключей"},
    {123, "Контрольная сумма БД ключей"},
    {124, "Повреждена БД объектов"},
    {125, "Ошибка контроллера линии"},
    {126, "Восстановление связи с контроллером линии"},
    {127, "Отмена пожара в LCP"},
    {128, "Взлом LCP"},
    {129, "Восстановление взлома LCP"},
    {130, "Питание LCP от АКБ"},
    {131, "Питание восстановлено"},
    {132, "АКБ отсутствует или разражена"},
    {133, "АКБ в норме"},
    {134, "Обрыв линии связи"},
    {135, "КЗ линии связи"},
    {136, "Восстановление линии связи"},
    {137, "Замыкание на корпус"},
    {138, "Восстановление замыкания на корпус"},
    {139, "Повреждена БДАУ"},
    {140, "Контрольная сумма БДАУ"},
    {141, "Чтение строки БДАУ"},
    {142, "Битовая карта 'Состояния LCP'"},
    {143, "Контрольная сумма БДО"},
    {144, "Система включена"},
    {145, "Система выключена"},
    {146, "LCP подключен"},
    {147, "LCP отключен"},
    {148, "Конфигуратор подключен"},
    {149, "Конфигуратор отключен"},
    {150, "Взлом Пульта"},
    {151, "Отмена взлома пульта"},
    {152, "Неисправность внешнего питания Пульта"},
    {153, "Внешнее питание Пульта восстановлено"},
    {154, "АКБ отсутствует или разряжена"},
    {155, "АКБ заряжена"},
    {156, "Обрыв линии"},
    {157, "КЗ линии"},
    {158, "Замыкание линии на корпус"},
    {159, "Восстановление линии"},
    {160, "Восстановление замыкания линии на корпус"},
    {161, "Внешний монитор подключен"},
    {162, "Внешний монитор отключен"},
    {163, "БДАУ повреждена"},
    {164, "БДАУ ОК"},
    {165, "БДО повреждена"},
    {166, "БДО ОК"},
    {167, "Звуковые устройства блокированы"},
    {168, "Звуковые устройства разблокированы"},
    {169, "Замыкание линии считывателя"},
    {170, "Восстановление линии считывателя"},
    {171, "Очистка актуальных событий отключенного LCP"},
    {172, "Буфер команд переполнен - потеря команды"},
    {173, "Добавлен ключ пульта"},
    {174, "Удален ключ пульта"},
    {176, "Отмена пожаров"},
    {177, "Отмена тревог"},
    {178, "Подтверждение пожара"},
    {179, "Подтверждение тревоги"},
    {180, "Подтверждение сообщения"},
    {181, "Подтверждение неисправности"},
    {182, "Загрузка БД в LCP"},
    {183, "Отсчет автоматики остановлен"},
    {184, "Объект блокирован"},
    {185, "Объект разблокирован"},
    {186, "АУ блокировано"},
    {187, "АУ разблокировано"},
    {245, "ОК или Нет событий"},
    {250, "Посылка не принята"},
};

std::string formatted(const char* pattern, const std::string& text) {
    char buf[400];
    std::snprintf(buf, sizeof buf, pattern, text.c_str());
    return buf;
}

std::string formatted(const char* pattern, int n) {
    char buf[160];
    std::snprintf(buf, sizeof buf, pattern, n);
    return buf;
}

// A unique file in the system's temporary folder.
std::filesystem::path temporaryFile(const std::string& hint) {
    std::random_device rd;
    std::error_code ec;
    const auto dir = std::filesystem::temp_directory_path(ec);
    return dir / ("tavrin-s5-" + std::to_string(rd()) + "-" + hint);
}

}  // namespace

namespace s5 {

const char* eventText(int code) {
    for (const EventText& e : kEventTexts) {
        if (e.code == code) return e.text;
    }
    return "";
}

bool plainFileName(const std::string& utf8) {
    if (utf8.empty() || utf8 == "." || utf8 == ".." || !fitsCp1251(utf8)) return false;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        switch (c) {
            case '/':
            case '\\':
            case ':':
            case '*':
            case '?':
            case '"':
            case '<':
            case '>':
            case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

}  // namespace s5

// ---- Journal records ---------------------------------------------------------------------

bool DBS5::JournalOfEvents(ByteSpan data, JournalFile& out) const {
    out = JournalFile{};
    out.kind = kJournalKindS5;
    // Shorter than its header: no event count can be taken from it.
    if (data.size() < kEventHeaderSize) return false;
    const std::size_t events =
        std::min((data.size() - kEventHeaderSize) / kEventSize, kMaxJournalRecords);
    out.records.reserve(events);
    for (std::size_t n = 0; n < events; ++n) {
        const ByteSpan e = data.subspan(kEventHeaderSize + n * kEventSize, kEventSize);
        char time[64];
        std::snprintf(time, sizeof time, "%02d/%02d/%02d %02d:%02d:%02d", e[9], e[4] & 0x0F,
                      e[5] & 0x7F, e[6] & 0x7F, e[7] & 0x7F, e[8] & 0x7F);
        JournalRecord record(6, std::string());
        record[0] = time;
        record[1] = eventText(e[0]);
        const int lcpNumber = e[1];
        if (lcpNumber >= 1 && lcpNumber <= kMaxLcps) {
            // An LCP the database does not have gives its number and no names.
            if (const LcpDatabase* d = lcp(lcpNumber)) {
                const int object = e[2];
                if (object >= 1 && object <= d->objectCount && d->objectUsed(object - 1))
                    record[2] =
                        nameText(objectName(d->objects[static_cast<std::size_t>(object - 1)]));
                const int device = e[3];
                if (device < d->deviceCount && d->deviceUsed(device))
                    record[3] = nameText(deviceName(d->devices[static_cast<std::size_t>(device)]));
                const int keyNumber = e[14];
                if (keyNumber >= 1 && keyNumber <= d->keyCount && d->keyUsed(keyNumber - 1))
                    record[5] =
                        nameText(keyOwner(d->keys[static_cast<std::size_t>(keyNumber - 1)]));
            }
            record[4] = formatted("LCP %d", lcpNumber);
        } else {
            // Console key numbers count from 1; 0 names no key.
            const int keyNumber = e[15] * 256 + e[14];
            const int slot = keyNumber - 1;
            if (keyNumber >= 1 && slot < commonKeyCount &&
                commonKeyUsed[static_cast<std::size_t>(slot)])
                record[5] = nameText(keyOwner(commonKeys[static_cast<std::size_t>(slot)]));
        }
        out.records.push_back(std::move(record));
    }
    return true;
}

// ---- Files of the console ----------------------------------------------------------------

int DBS5::ReadFileFromDevice(const std::string& name, const std::filesystem::path& target) {
    const std::string name8 = utf8ToCp1251(name);
    const ExchRecPtr request = readFileRequest(name8);
    if (!request) return kResultBadCommand;
    if (!ensureLink()) return kResultPortNotOpen;
    status(formatted("Чтение файла из прибора %s", name));
    std::ofstream file(target, std::ios::binary | std::ios::trunc);
    if (!file) {
        ClosePort();
        ctx_.prompter->message(formatted("Не могу сохранить файл %s", pathToUtf8(target)),
                               kJournalTitle, PromptIcon::Error);
        return kResultSourceFileError;
    }
    link_->requests().push(request);
    int chunks = 0;
    std::size_t received = 0;
    bool answered = false;
    int result =
        link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&](const ExchRec& rec) -> int {
            answered = true;
            const ByteSpan reply(rec.reply);
            if (reply.empty()) return kResultUnknownDeviceError;
            // A chunk frame carries type, number and its bytes before the checksum.
            if (reply.size() <= kOffChunkData) return kResultBadDataLength;
            const std::uint8_t type = reply[kOffReplyType];
            if (type != kFileChunkMore && type != kFileChunkLast) return kResultUnknownMessage;
            if (getU16(reply, kOffChunk) != chunks) return kResultOk;  // not the chunk wanted
            const std::size_t n = reply.size() - kOffChunkData - 1;
            file.write(reinterpret_cast<const char*>(reply.data() + kOffChunkData),
                       static_cast<std::streamsize>(n));
            if (!file) return kResultSourceFileError;
            ++chunks;
            received += n;
            status(formatted("Чтение файла из прибора %d", static_cast<int>(received / 16)));
            return kResultOk;
        });
    if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    ClosePort();
    file.close();
    status("");
    return result;
}

int DBS5::FormJournal(const std::filesystem::path& source, const std::filesystem::path& target) {
    status(formatted("Формирование журнала %s", pathToUtf8(target.filename())));
    Bytes data;
    if (!readWholeFile(source, data)) {
        ctx_.prompter->message(formatted("Не могу считать файл %s", pathToUtf8(source)),
                               kJournalTitle, PromptIcon::Error);
        status("");
        return kResultSourceFileError;
    }
    JournalFile journal;
    if (!JournalOfEvents(data, journal)) {
        // Too short for its header: no journal, and the file stays to be looked at.
        status("");
        return kResultBadDataLength;
    }
    journalCapacity = static_cast<int>(journal.records.size());
    if (!writeJournalFile(pathToUtf8(target), journal)) {
        // The journal could not be written: the events stay where they are.
        ctx_.prompter->message(formatted("Не могу сохранить файл %s", pathToUtf8(target)),
                               kJournalTitle, PromptIcon::Error);
        status("");
        return kResultSourceFileError;
    }
    std::error_code ec;
    std::filesystem::remove(source, ec);
    status("");
    return kResultOk;
}

int DBS5::ReadJournal(Progress& progress) {
    beginOperation(kJournalTitle);
    progress.setRange(0, 1);
    progress.setPosition(0);
    progress.setVisible(true);
    const auto source = ctx_.programFolder / kEventsFile;
    int result = ReadFileFromDevice(kEventsFile, source);
    FinishOperation();
    if (result == kResultOk) result = FormJournal(source, ctx_.programFolder / journalFileName);
    progress.setPosition(1);
    return result;
}

// ---- Archive ------------------------------------------------------------------------------

int DBS5::ReadArchiveList(Progress& progress) {
    beginOperation(kArchiveTitle);
    progress.setRange(0, 1);
    progress.setPosition(0);
    progress.setVisible(true);
    const auto path = ctx_.programFolder / kArchiveFile;
    const int result = ReadFileFromDevice(kArchiveFile, path);
    FinishOperation();
    if (result != kResultOk) return result;
    Bytes data;
    if (!readWholeFile(path, data, nullptr, kArchiveEntrySize * kMaxArchiveEntries)) {
        ctx_.prompter->message(formatted("Не могу считать файл %s", pathToUtf8(path)),
                               kArchiveTitle, PromptIcon::Error);
        return kResultSourceFileError;
    }
    archiveList = parseArchiveList(data);
    progress.setPosition(1);
    return kResultOk;
}

std::string DBS5::archiveJournalPath(const std::string& name) const {
    if (!plainFileName(name)) return {};
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return pathToUtf8(ctx_.programFolder / pathFromUtf8(stem + "." + traits().journalExtension));
}

int DBS5::ReadArchive(Progress& progress, const std::string& name) {
    // The name comes from the console: it must not reach outside the folder.
    const std::string journal = archiveJournalPath(name);
    if (journal.empty()) return kResultBadCommand;
    beginOperation(kArchiveTitle);
    progress.setRange(0, 1);
    progress.setPosition(0);
    progress.setVisible(true);
    const auto source = temporaryFile("archive");
    int result = ReadFileFromDevice(name, source);
    FinishOperation();
    if (result == kResultOk) result = FormJournal(source, pathFromUtf8(journal));
    std::error_code ec;
    std::filesystem::remove(source, ec);
    progress.setPosition(1);
    return result;
}

// ---- Current events -----------------------------------------------------------------------

int DBS5::ClearActiveEvents(int kinds) {
    if (kinds < 1 || kinds > 0x0F) return kResultBadCommand;
    beginOperation(kClearTitle);
    int result = kResultPortNotOpen;
    if (ensureLink()) {
        status("Очиска актуальных событий");
        link_->requests().push(clearEventsRequest(kinds));
        bool answered = false;
        result =
            link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&answered](const ExchRec&) {
                answered = true;
                return static_cast<int>(kResultOk);
            });
        if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    }
    FinishOperation();
    status("");
    return result;
}

}  // namespace tavrin
