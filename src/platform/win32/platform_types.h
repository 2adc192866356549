// Storage for the Win32 objects that the core embeds in its own records. Sized here so
// that core headers need not include <windows.h>; the backend checks the sizes.
#pragma once

#include <cstdint>

struct PlatformLock {
    alignas(void *) unsigned char critical_section[40]; // CRITICAL_SECTION
};

struct PlatformCondition {
    void *condition_variable; // CONDITION_VARIABLE
};

struct PlatformSemaphore {
    void *handle; // HANDLE from CreateSemaphoreA
};

struct PlatformThread {
    void *handle; // HANDLE from CreateThread
};
