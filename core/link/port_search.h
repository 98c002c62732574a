// The port search "Поиск прибора": every candidate port of the system is
// tried with short read time-outs and the family's version request on a
// temporary database object; the first port that answers wins.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/dbase.h"

namespace tavrin {

inline constexpr const char* kPortSearchTitle = "Поиск прибора";
inline constexpr const char* kPortSearchNoPorts = "Порты не обнаружены";
inline constexpr const char* kPortSearchNotImplemented = "Функция не реализована";
inline constexpr const char* kPortSearchNotFound = "Прибор не обнаружен";
inline constexpr const char* kPortSearchSamePort = "Прибор обнаружен, порт уже установлен";
// "Обнаружен прибор на %s" + "\nВнести в базу?"
inline constexpr const char* kPortSearchFoundFormat = "Обнаружен прибор на %s\nВнести в базу?";
// Status text while a candidate is tried: "Проверка %s".
inline constexpr const char* kPortSearchCheckingFormat = "Проверка %s";

// Short time-outs of the probe (ms; ms per byte).
inline constexpr std::uint32_t kSearchTotalConstant = 150;
inline constexpr std::uint32_t kSearchInterval = 5;
inline constexpr std::uint32_t kSearchTotalMultiplier = 5;

struct PortSearchResult {
    enum class Outcome { NoPorts, NotImplemented, NotFound, Found };
    Outcome outcome = Outcome::NotFound;
    std::string port;                // the port that answered (Found)
    std::vector<std::string> tried;  // the candidates tried, in order
};

using DatabaseMaker = std::function<std::unique_ptr<DBase>(Family family, const AppContext&)>;

// Gives a temporary database object the probe's short time-outs and turns
// its simulation off: a simulated answer would "find" the first port.
void prepareProbe(DBase& probe);
// True when a panel answers the version request on the port; the port is
// closed again either way.
bool probePort(DBase& probe, const std::string& port);

// Runs the search for a family over context.ports. `checking` is called with
// each candidate before it is tried (for the status line). The temporary
// object (made by `make`) never simulates: only a real answer counts. A
// family whose traits have no port search gives NotImplemented.
PortSearchResult searchPort(Family family, const AppContext& context,
                            const std::function<void(const std::string&)>& checking,
                            const DatabaseMaker& make);

// Words a result to the user through the prompter as the program does, and
// on "Yes" stores the port in `active` and saves its port settings. Returns
// true when the port of `active` was changed.
bool reportPortSearch(const PortSearchResult& result, DBase& active, Prompter& prompter);

// "Проверка %s" / "Обнаружен прибор на %s..." filled in.
std::string portSearchText(const char* format, const std::string& port);

}  // namespace tavrin
