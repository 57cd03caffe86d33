#include "editor/window/LuaEditorPlacement.h"

#include "platform/Profile.h"

#include <QWidget>

namespace {

constexpr char kSection[] = "Ostravellum";

} // namespace

std::string LuaEditorPlacementEntry(const std::string& name) { return "LuaEditSz-" + name; }

bool RestoreLuaEditorPlacement(QWidget& window, const std::string& name)
{
    platform::RememberNormalGeometry(window); // for the record of a maximised editor
    std::vector<uint8_t> record;
    if (!platform::profile::GetBinary(kSection, LuaEditorPlacementEntry(name), record))
        return false;
    const auto placement = platform::AcceptPlacement(record, platform::GetPlacement(std::as_const(window)),
                                                     platform::CurrentDesktop(), kLuaEditorPlacementRule);
    if (!placement)
        return false;
    platform::SetPlacement(window, *placement);
    return true;
}

bool SaveLuaEditorPlacement(const QWidget& window, const std::string& name)
{
    if (window.isMinimized())
        return false;
    const auto bytes = platform::EncodePlacement(platform::GetPlacement(window));
    return platform::profile::WriteBinary(kSection, LuaEditorPlacementEntry(name), bytes.data(), bytes.size());
}
