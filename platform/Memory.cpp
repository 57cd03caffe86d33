#include "platform/Memory.h"

#include <cstdio>
#include <unistd.h>

namespace platform {

uint64_t WorkingSetBytes()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    unsigned long long size = 0, resident = 0;
    int n = std::fscanf(f, "%llu %llu", &size, &resident);
    std::fclose(f);
    if (n != 2)
        return 0;
    long page = sysconf(_SC_PAGESIZE);
    return uint64_t(resident) * uint64_t(page > 0 ? page : 4096);
}

} // namespace platform
