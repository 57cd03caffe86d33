#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// An accelerator table kept as resource bytes: 8-byte entries (flags, key,
// command, padding; little-endian), the last one flagged 0x80. Every entry of
// the editor's table is a virtual key with Shift, Ctrl and Alt bits.
class CAccelTable {
public:
    enum : uint16_t { kVirtKey = 0x01, kShift = 0x04, kControl = 0x08, kAlt = 0x10, kLast = 0x80 };
    // modifier bits as Translate takes them (the platform's KeyModifier bits)
    enum : unsigned { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

    struct Entry {
        uint16_t flags = 0;
        uint16_t key = 0;
        uint16_t command = 0;
    };

    // Parses the bytes; false (and an empty table) for a size that is not a
    // whole number of entries or a table without its last-entry flag.
    bool Load(const uint8_t* data, size_t size);
    // Loads resource "ACCEL" `id`.
    bool LoadResource(unsigned id);
    void Destroy() { entries_.clear(); }
    bool IsLoaded() const { return !entries_.empty(); }

    // The command of the entry matching the virtual key and exactly the held
    // modifiers, or 0.
    unsigned Translate(int virtualKey, unsigned modifiers) const;
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};
