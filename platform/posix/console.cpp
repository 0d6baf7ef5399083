#include "platform/console.h"

namespace ordo {

// A POSIX program inherits its standard streams from whoever started it.
void UseParentConsole() noexcept {}

}  // namespace ordo
