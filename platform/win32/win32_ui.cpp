#include "platform/win32/win32_ui.h"

namespace ordo::detail {

std::unique_ptr<IUiBackend> CreateWin32Ui() { return nullptr; }

}  // namespace ordo::detail
