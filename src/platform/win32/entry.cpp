// Win32: the GUI program's entry point.
#include "launcher/startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return launcher_main();
}
