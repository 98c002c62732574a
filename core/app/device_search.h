// The port search "Поиск прибора": every candidate port is tried with the
// firmware-version request of the selected family; the first one that
// answers may become the active database's port.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/document.h"
#include "base/seams.h"
#include "link/dbase.h"

namespace tavrin {

// Where the candidates come from and how one is tried. The default
// implementation lists the ports of the context's port factory and probes
// each with a temporary database object of the family.
class PortProber {
  public:
    virtual ~PortProber() = default;
    // The candidate port names, or nothing with the system's error text.
    virtual std::optional<std::vector<std::string>> candidates(std::string& error) = 0;
    // True when a panel of the family answers the version request there.
    virtual bool probe(Family family, const std::string& port) = 0;
};

class DatabasePortProber : public PortProber {
  public:
    DatabasePortProber(const AppContext& context, DatabaseFactory factory)
        : ctx_(context), factory_(std::move(factory)) {}
    std::optional<std::vector<std::string>> candidates(std::string& error) override;
    bool probe(Family family, const std::string& port) override;

  private:
    const AppContext& ctx_;
    DatabaseFactory factory_;
};

enum class DeviceSearchOutcome {
    NoPorts,
    ListError,
    NotImplemented,
    NotFound,
    AlreadySet,
    Taken,
    Declined
};

// Runs the search for the active database: `status` shows "Проверка %s"
// before each try and is cleared at the end. Messages and the question go
// through the prompter. On "Yes" the port name goes into the database and
// its port settings are saved.
DeviceSearchOutcome searchDevicePort(PortProber& prober, DBase& active, Prompter& prompter,
                                     const std::function<void(const std::string&)>& status);

// Port numbers of the port dialog: "COMn" gives n, anything else 0.
int portNumberOf(const std::string& portName);

// Baud rates of the port dialog's buttons, in their order; 256000 is in the
// rate table without a button.
inline constexpr int kDialogBaudRates[] = {9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000};

}  // namespace tavrin
