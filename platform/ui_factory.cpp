#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include "platform/headless_ui.h"
#include "platform/ui.h"

namespace ordo {

std::unique_ptr<IUiBackend> CreateHeadlessUi(std::ostream& err, std::istream* in, bool errIsTerminal,
                                             bool inIsTerminal) {
    return std::make_unique<detail::THeadlessUi>(err, in, errIsTerminal, inIsTerminal);
}

std::unique_ptr<IUiBackend> CreateUiBackend() {
    // No graphical backend is built in yet; with or without DISPLAY the text backend serves.
    return CreateHeadlessUi(std::cerr, &std::cin, ::isatty(STDERR_FILENO) == 1, ::isatty(STDIN_FILENO) == 1);
}

}  // namespace ordo
