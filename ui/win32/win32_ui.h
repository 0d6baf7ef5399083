#pragma once
// The desktop user interface on Windows: a real window with a common-controls progress bar,
// the client update's window, message boxes, the screen cursor and the work area from
// SystemParametersInfoA.
#include <memory>

#include "ui/ui.h"

namespace ordo::detail {

/// The Windows backend, or nothing when this session has no desktop to show windows on.
std::unique_ptr<IUiBackend> CreateWin32Ui();

}  // namespace ordo::detail
