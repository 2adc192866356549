// POSIX: the program's entry point. Arguments are ignored, as on Windows.
#include "launcher/startup.h"

int main()
{
    return launcher_main();
}
