#pragma once
// The desktop user interface, drawn with FLTK on the X display named by DISPLAY.
#include <memory>

#include "ui/ui.h"

namespace ordo::detail {

/// The FLTK backend ("fltk"), or null when DISPLAY is unset, the display does not open, or
/// another thread already drives the display.
std::unique_ptr<IUiBackend> CreateFltkUi();

}  // namespace ordo::detail
