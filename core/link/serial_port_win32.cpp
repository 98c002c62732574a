// Serial ports on Windows. Placeholder until the Win32 port lands: no port
// can be opened.
#include "link/serial_port.h"

namespace tavrin {

std::string portDevicePath(const std::string& name) {
    return name;
}

namespace {
class NoPorts : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> open(const std::string&, int& error) override {
        error = 2;
        return nullptr;
    }
    std::vector<std::string> candidates() override { return {}; }
};
}  // namespace

SerialPortFactory& systemPortFactory() {
    static NoPorts ports;
    return ports;
}

}  // namespace tavrin
