#pragma once
// One collapsed region start .. end (inclusive) supplied through the outline
// interface, its placeholder "..." three cells wide.
#include "editctrl_fixture.h"

namespace edtest {

class OneRegion : public IEditOutline
{
public:
    OneRegion(const CEditCtrl& c, int s, int e) : ctrl(c), start(s), end(e) {}
    void TextInserted(int, int) override { ++inserted; }
    void TextDeleted(int, int) override { ++deleted; }
    void Reparse(int, int) override {}
    bool CollapsedAt(int offset, EcCollapsedRegion& r) const override
    {
        if (offset < start || offset > end)
            return false;
        r = {start, end, "...", 3 * kCharW};
        return true;
    }
    int HiddenLinesBefore(int offset) const override
    {
        int n = 0;
        for (int i = start; i <= end && i < offset; ++i)
            n += ctrl.CharAt(i) == '\n';
        return n;
    }
    int HiddenLines() const override { return HiddenLinesBefore(end + 1); }

    const CEditCtrl& ctrl;
    int start, end;
    int inserted = 0, deleted = 0;
};

} // namespace edtest
