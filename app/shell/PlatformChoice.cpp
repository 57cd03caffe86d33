#include "app/shell/PlatformChoice.h"

#include <cstring>

namespace shell {

const char* ChooseQtPlatform(int argc, const char* const* argv, const char* environment)
{
    if (environment && *environment)
        return nullptr;
    // Qt reads "--platform" as "-platform", and only when a name follows
    for (int i = 1; i + 1 < argc; ++i) {
        const char* arg = argv[i];
        if (arg && arg[0] == '-' && arg[1] == '-')
            ++arg;
        if (arg && std::strcmp(arg, "-platform") == 0)
            return nullptr;
    }
    return "xcb";
}

} // namespace shell
