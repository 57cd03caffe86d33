#include "editor/window/AccelTable.h"

#include "resources/Resources.h"

namespace {

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

} // namespace

bool CAccelTable::Load(const uint8_t* data, size_t size)
{
    entries_.clear();
    if (!data || size == 0 || size % 8 != 0)
        return false;
    std::vector<Entry> out;
    for (size_t at = 0; at < size; at += 8) {
        const uint16_t flags = Word(data + at);
        out.push_back({uint16_t(flags & ~kLast), Word(data + at + 2), Word(data + at + 4)});
        if (flags & kLast) {
            if (at + 8 != size)
                return false;  // bytes after the last entry
            entries_ = std::move(out);
            return true;
        }
    }
    return false;
}

bool CAccelTable::LoadResource(unsigned id)
{
    std::vector<uint8_t> bytes;
    return resources::Find("ACCEL", id, bytes) && Load(bytes.data(), bytes.size());
}

unsigned CAccelTable::Translate(int virtualKey, unsigned modifiers) const
{
    unsigned want = 0;
    if (modifiers & kModShift)
        want |= kShift;
    if (modifiers & kModCtrl)
        want |= kControl;
    if (modifiers & kModAlt)
        want |= kAlt;
    for (const Entry& e : entries_) {
        if (!(e.flags & kVirtKey) || e.key != virtualKey)
            continue;
        if ((e.flags & (kShift | kControl | kAlt)) == want)
            return e.command;
    }
    return 0;
}
