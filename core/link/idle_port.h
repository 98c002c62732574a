// A port that needs no hardware: the built-in simulation still opens a port
// (the exchange and the console link always do), and this one reads nothing
// and takes every write.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace tavrin {

class IdlePort : public SerialPort {
  public:
    bool getState(PortState&) override { return true; }
    bool setState(const PortState&) override { return true; }
    bool getTimeouts(PortTimeouts&) override { return true; }
    bool setTimeouts(const PortTimeouts&) override { return true; }
    int read(std::uint8_t*, int) override { return 0; }
    int write(const std::uint8_t*, int n) override { return n; }
    void purge() override {}
    int bytesWaiting() override { return 0; }
    int lastError() const override { return 0; }
};

class IdlePortFactory : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> open(const std::string&, int&) override {
        return std::make_unique<IdlePort>();
    }
    std::vector<std::string> candidates() override { return {}; }
};

}  // namespace tavrin
