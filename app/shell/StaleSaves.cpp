#include "app/shell/StaleSaves.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

int RemoveStaleSaves()
{
    int removed = platform::RemoveStaleTempFiles(".");
    for (const char* folder : {"Terrain", "Camera", "Radar", "Html", "Lua"})
        if (platform::DirectoryExists(platform::ResolvePath(folder)))
            removed += platform::RemoveStaleTempFiles(platform::ResolvePath(folder));
    const std::string user = platform::ResolvePath("User");
    if (!platform::DirectoryExists(user))
        return removed;
    removed += platform::RemoveStaleTempFiles(user);
    for (const auto& set : platform::ListDirectory(user))
        if (set.isDirectory)
            removed += platform::RemoveStaleTempFiles(platform::JoinPath(user, set.name));
    return removed;
}
