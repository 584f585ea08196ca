// Placeholder until the browsers are built: each says so and returns as a cancel.
#include "ui/browsers.h"

#include "platform/console.h"

namespace kolm::ui {

void DODIALOG2(std::string& PATH) {
    platform::console_line(" FILE BROWSER IS NOT AVAILABLE: TYPE THE INPUT PATH AND NAME");
    PATH.clear();
}

void DODIALOG2P(std::string& PATH) {
    platform::console_line(" PROGRAM BROWSER IS NOT AVAILABLE: TYPE THE PROGRAM PATH AND NAME");
    PATH.clear();
}

}  // namespace kolm::ui
