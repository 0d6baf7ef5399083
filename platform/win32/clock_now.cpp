// The wall clock in local time, as the system keeps it.
#include "platform/clock.h"
#include "platform/win32/windows_api.h"

namespace ordo {

TDateTime Now() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    TDateTime date = 0;
    TDateTime time = 0;
    TryEncodeDate(local.wYear, local.wMonth, local.wDay, date);
    TryEncodeTime(local.wHour, local.wMinute, local.wSecond, local.wMilliseconds, time);
    return CombineDateTime(date, time);
}

}  // namespace ordo
