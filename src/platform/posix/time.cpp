// POSIX: the monotonic clock in nanoseconds, and sleeping.
#include "platform/platform.h"

#include <cerrno>
#include <ctime>

uint64_t platform_counter_now()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint64_t platform_counter_frequency()
{
    return 1000000000u;
}

bool platform_timer_period_1ms()
{
    return true; // nanosleep already has sub-millisecond granularity
}

void platform_sleep_ms(uint32_t milliseconds)
{
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
