// The editor window's remembered placement: one 44-byte record per script in
// the profile.
#include "editor/window/LuaEditor.h"
#include "platform/Profile.h"
#include "platform/WindowPlacement.h"

namespace {

// exactly one whole record, its left or top edge inside the desktop's extent,
// and overlapping the desktop
constexpr platform::PlacementRule kEditorPlacementRule{platform::WindowPlacement::kBytes, true, true, true};

} // namespace

void CLuaEditor::RestorePlacement()
{
    std::vector<uint8_t> record;
    if (!platform::profile::GetBinary(kPlacementSection, kPlacementPrefix + m_strName, record))
        return;
    const auto placement = platform::AcceptPlacement(record, platform::GetPlacement(static_cast<const QWidget&>(*this)),
                                                     platform::CurrentDesktop(), kEditorPlacementRule);
    if (placement)
        platform::SetPlacement(static_cast<QWidget&>(*this), *placement);
}

void CLuaEditor::SavePlacement()
{
    if (!m_bWindow || isMinimized())
        return;
    const auto bytes = platform::EncodePlacement(platform::GetPlacement(static_cast<const QWidget&>(*this)));
    platform::profile::WriteBinary(kPlacementSection, kPlacementPrefix + m_strName, bytes.data(), bytes.size());
}
