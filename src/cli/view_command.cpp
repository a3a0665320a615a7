#include "view_command.h"

#include <cstdio>

int RunViewCommand(int /*argc*/, char** /*argv*/)
{
    std::fputs("lirovane-batch: --view is not available in this build\n", stderr);
    return 2;
}
