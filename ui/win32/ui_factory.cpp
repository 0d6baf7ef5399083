#include <cstdio>
#include <iostream>
#include <io.h>

#include "ui/headless_ui.h"
#include "ui/ui.h"
#include "ui/win32/win32_ui.h"

namespace ordo {

std::unique_ptr<IUiBackend> CreateUiBackend() {
    // An interactive desktop gets the window; a service or a locked-down session (no window
    // station to draw on) runs on the text interface, as on Linux without a display.
    if (auto ui = detail::CreateWin32Ui()) return ui;
    return CreateHeadlessUi(std::cerr, &std::cin, ::_isatty(_fileno(stderr)) != 0, ::_isatty(_fileno(stdin)) != 0);
}

}  // namespace ordo
