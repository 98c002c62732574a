#include "service/service_types.h"

namespace tavrin::gui {

int runHere(const std::function<int(Progress&)>& operation) {
    NullProgress progress;
    return operation(progress);
}

}  // namespace tavrin::gui
