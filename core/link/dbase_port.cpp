// The serial port of DBase: opened for one device operation, configured from
// the family's port settings, closed at its end. Only the thread that runs
// the operation touches the port and the log.
#include "base/file_io.h"
#include "link/dbase.h"

namespace tavrin {

namespace {
constexpr unsigned kReopenPauseMs = 1000;
}  // namespace

bool DBase::OpenPort() {
    if (portName.empty()) return false;
    if (link_.logOpen()) {
        LogLine("Порт закрыт");
        CloseLog();
    }
    LoadPortSettings();
    // Every opening of the port starts the day's log anew.
    if (logEnabled) OpenLog("w");
    bool ok = SetUpPort();
    if (!ok) {
        if (ctx_.clock) ctx_.clock->sleepMs(kReopenPauseMs);
        ok = SetUpPort();
        if (!ok && logEnabled && link_.logOpen()) {
            LogLine("Порт закрыт");
            CloseLog();
        }
    }
    return ok;
}

bool DBase::SetUpPort() {
    link_.dropPort();
    int error = 0;
    if (ctx_.ports) link_.attachPort(ctx_.ports->open(portName, error));
    SerialPort* port = link_.port();
    if (!port) {
        LogSystemError(error);
        return false;
    }
    LogLine("Порт открыт");

    const auto showError = [this](int code) {
        if (ctx_.prompter) ctx_.prompter->message(systemErrorText(code), "COM", PromptIcon::Error);
    };
    const auto giveUp = [this]() {
        LogLine("Не установились параметры порта");
        link_.dropPort();
        return false;
    };

    PortState state;
    if (!port->getState(state)) {
        showError(port->lastError());
        LogLine("Параметры не считаны");
        return giveUp();
    }
    // Only these members change; the rest stay as the driver reported them.
    state.baudRate = static_cast<std::uint32_t>(baudRate);
    state.byteSize = 8;
    state.parityCheck = parity != kParityNone;
    state.parity = parity;
    state.stopBits = stopBits;
    if (!port->setState(state)) {
        showError(port->lastError());
        LogLine("Параметры не записаны");
        LogBytes(state.raw);
        return giveUp();
    }

    PortTimeouts timeouts;
    if (!port->getTimeouts(timeouts)) {
        showError(port->lastError());
        LogLine("ТА не считаны");
        return giveUp();
    }
    timeouts.readInterval = readIntervalTimeout;
    timeouts.readTotalMultiplier = readTotalTimeoutMultiplier;
    timeouts.readTotalConstant = readTotalTimeoutConstant;
    timeouts.writeTotalMultiplier = 0;
    timeouts.writeTotalConstant = 0;
    if (!port->setTimeouts(timeouts)) {
        showError(port->lastError());
        LogLine("ТА не записаны");
        return giveUp();
    }
    LogLine("Порт открыт и настроен");
    return true;
}

void DBase::ClosePort() {
    if (!link_.portOpen()) return;
    if (link_.logOpen()) {
        LogLine("Порт закрыт");
        CloseLog();
    }
    link_.dropPort();
}

}  // namespace tavrin
