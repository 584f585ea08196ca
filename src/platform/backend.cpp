// The installed backend.
#include "platform/backend.h"

namespace kolm::platform {

namespace {
Backend* current = nullptr;
}

void install_backend(Backend* backend) { current = backend; }
Backend* installed_backend() { return current; }

}  // namespace kolm::platform
