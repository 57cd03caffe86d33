#include "foundation/image/SourceNames.h"

#include <algorithm>

std::string ExtensionOf(const std::string& name)
{
    const size_t slash = name.find_last_of("/\\");
    const size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < fileStart)
        return {};
    return name.substr(dot);
}

bool IsNetworkName(const std::string& name)
{
    if (name.find("localhost") != std::string::npos)
        return true;
    return std::count(name.begin(), name.end(), '.') >= 3 || std::count(name.begin(), name.end(), ':') >= 3;
}
