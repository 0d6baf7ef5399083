#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include "platform/headless_ui.h"
#include "platform/ui.h"
#ifdef ORDO_HAVE_FLTK
#include "platform/fltk_ui.h"
#endif

namespace ordo {

std::unique_ptr<IUiBackend> CreateHeadlessUi(std::ostream& err, std::istream* in, bool errIsTerminal,
                                             bool inIsTerminal) {
    return std::make_unique<detail::THeadlessUi>(err, in, errIsTerminal, inIsTerminal);
}

std::unique_ptr<IUiBackend> CreateUiBackend() {
#ifdef ORDO_HAVE_FLTK
    // On a desktop the window shows; without a display (a service, a terminal session) the
    // program runs as before, on the text interface.
    if (auto ui = detail::CreateFltkUi()) return ui;
#endif
    return CreateHeadlessUi(std::cerr, &std::cin, ::isatty(STDERR_FILENO) == 1, ::isatty(STDIN_FILENO) == 1);
}

}  // namespace ordo
