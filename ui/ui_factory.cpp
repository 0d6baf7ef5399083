#include "ui/ui.h"
#ifdef ORDO_HAVE_FLTK
#include "ui/fltk_ui.h"
#endif

namespace ordo {

std::unique_ptr<IUiBackend> CreateUiBackend() {
#ifdef ORDO_HAVE_FLTK
    // On a desktop the window shows; without a display (a service, a terminal session) the
    // program runs as before, on the text interface.
    if (auto ui = detail::CreateFltkUi()) return ui;
#endif
    return CreateTextUi();
}

}  // namespace ordo
