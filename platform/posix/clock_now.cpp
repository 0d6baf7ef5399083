// The wall clock in local time; the one part of dates that asks the system.
#include <ctime>

#include "platform/clock.h"

namespace ordo {

TDateTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    TDateTime date = 0;
    TDateTime time = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    // A leap second reads as the last second of the minute.
    TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                  static_cast<int>(now.tv_nsec / 1000000), time);
    return CombineDateTime(date, time);
}

}  // namespace ordo
