// What the service windows ask of the main window: running a device
// operation (worker thread, progress, cancel window) and writing the status
// bar. The main window hands these in; the tests hand in their own.
#pragma once

#include <functional>
#include <string>

#include "base/seams.h"

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

// The database a service window works on (never null while it is open).
using DatabaseGetter = std::function<DBase*()>;
using DeviceRunner = std::function<int(const std::function<int(Progress&)>&)>;
using StatusSink = std::function<void(const std::string&)>;

// Runs the operation on the calling thread with a progress that shows nothing.
int runHere(const std::function<int(Progress&)>& operation);

}  // namespace tavrin::gui
