// Win32: the performance counter, the 1 ms timer period and sleeping.
#include "platform/platform.h"

#include <windows.h>

#include <timeapi.h>

uint64_t platform_counter_now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}

uint64_t platform_counter_frequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<uint64_t>(frequency.QuadPart);
}

bool platform_timer_period_1ms()
{
    // Never given back: the period lasts as long as the process.
    return timeBeginPeriod(1) == TIMERR_NOERROR;
}

void platform_sleep_ms(uint32_t milliseconds)
{
    Sleep(milliseconds);
}
