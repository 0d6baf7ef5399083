#pragma once
// The wall clock: the one part of dates that asks the system.
#include <cmath>

#include "core/date_time.h"

namespace ordo {

/// The local date and time now.
TDateTime Now();
/// Today at midnight, local time.
inline TDateTime Date() { return std::trunc(Now()); }

}  // namespace ordo
