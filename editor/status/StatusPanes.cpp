#include "editor/status/StatusPanes.h"

#include <algorithm>

void StatusPaneModel::SetIndicators(const std::vector<unsigned>& ids)
{
    std::vector<CCJStatusBarPane> panes;
    for (size_t i = 0; i < ids.size(); ++i) {
        CCJStatusBarPane p;
        p.id = ids[i];
        if (p.id == 0) {
            p.width = screenWidth_ / 4;
            if (i == 0)
                p.style = SBPS_STRETCH | SBPS_NOBORDERS;
        }
        panes.push_back(p);
    }
    panes_ = std::move(panes);
}

bool StatusPaneModel::GetPane(int index, CCJStatusBarPane& pane) const
{
    if (index < 0 || index >= GetCount())
        return false;
    pane = panes_[size_t(index)];
    return true;
}

void StatusPaneModel::SetPaneInfo(int index, unsigned id, unsigned style, int width)
{
    if (index < 0 || index >= GetCount())
        return;
    CCJStatusBarPane& p = panes_[size_t(index)];
    p.id = id;
    p.style = style;
    p.width = std::max(0, width);
}

void StatusPaneModel::SetPaneWidth(int index, int width)
{
    CCJStatusBarPane p;
    if (GetPane(index, p))
        SetPaneInfo(index, p.id, p.style, width);
}

void StatusPaneModel::SetPaneText(int index, const std::wstring& text)
{
    if (index >= 0 && index < GetCount())
        panes_[size_t(index)].text = text;
}

int StatusPaneModel::CommandToIndex(unsigned id) const
{
    for (size_t i = 0; i < panes_.size(); ++i)
        if (panes_[i].id == id)
            return int(i);
    return -1;
}

std::vector<CCJStatusBarPane> StatusPaneModel::SaveAll() const
{
    std::vector<CCJStatusBarPane> saved;
    CCJStatusBarPane p;
    for (int i = 0; GetPane(i, p); ++i)
        saved.push_back(p);
    return saved;
}

void StatusPaneModel::Restore(const std::vector<CCJStatusBarPane>& saved, int newIndex)
{
    std::vector<unsigned> ids;
    for (const CCJStatusBarPane& p : saved)
        ids.push_back(p.id);
    SetIndicators(ids);
    for (size_t i = 0; i < saved.size(); ++i) {
        if (int(i) == newIndex)
            SetPaneWidth(int(i), 50);
        else
            SetPaneInfo(int(i), saved[i].id, saved[i].style, saved[i].width);
        SetPaneText(int(i), saved[i].text);
    }
}

bool StatusPaneModel::AddIndicator(int position, unsigned id)
{
    std::vector<CCJStatusBarPane> saved = SaveAll();
    for (const CCJStatusBarPane& p : saved)
        if (p.id == id)
            return false;
    CCJStatusBarPane pane;
    pane.id = id;
    int at = 0;
    const int count = int(saved.size());
    if (saved.empty())
        at = 0;
    else if (position > count)
        at = std::min(position, count - 1);
    else
        at = std::max(position, 0);
    saved.insert(saved.begin() + at, pane);
    Restore(saved, at);
    return true;
}

bool StatusPaneModel::RemoveIndicator(unsigned id, CCJStatusBarPaneControlInfo* removed)
{
    bool hadControl = false;
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
        if (it->m_nPaneID == id) {
            if (removed)
                *removed = *it;
            hadControl = true;
            controls_.erase(it);
            break;
        }
    }
    std::vector<CCJStatusBarPane> kept;
    for (const CCJStatusBarPane& p : SaveAll())
        if (p.id != id)
            kept.push_back(p);
    Restore(kept, -1);
    return hadControl;
}

bool StatusPaneModel::AddControl(int control, unsigned paneId, bool autoDelete)
{
    if (GetPaneControl(paneId) || CommandToIndex(paneId) < 0)
        return false;
    controls_.push_back({control, paneId, autoDelete});
    return true;
}

const CCJStatusBarPaneControlInfo* StatusPaneModel::GetPaneControl(unsigned paneId) const
{
    for (const auto& c : controls_)
        if (c.m_nPaneID == paneId)
            return &c;
    return nullptr;
}

Rect StatusPaneModel::GetItemRect(int index, int barWidth, int barHeight) const
{
    if (index < 0 || index >= GetCount())
        return {};
    int used = kHorizontalBorder;
    for (size_t i = 0; i < panes_.size(); ++i)
        used += panes_[i].width + kPaneBorder + (i ? kSpacing : 0);
    const int extra = std::max(0, barWidth - used);
    int left = kHorizontalBorder;
    for (int i = 0;; ++i) {
        const CCJStatusBarPane& p = panes_[size_t(i)];
        int right = left + p.width + kPaneBorder;
        if (p.style & SBPS_STRETCH)
            right += extra;
        if (i == index)
            return {left, kVerticalBorder, right, barHeight};
        left = right + kSpacing;
    }
}

std::vector<std::pair<int, Rect>> StatusPaneModel::PositionControls(int barWidth, int barHeight) const
{
    std::vector<std::pair<int, Rect>> out;
    for (const auto& c : controls_) {
        const int index = CommandToIndex(c.m_nPaneID);
        if (index < 0)
            continue;
        Rect r = GetItemRect(index, barWidth, barHeight);
        if (!(panes_[size_t(index)].style & SBPS_FILLCONTROL)) {
            r.left += kHorizontalBorder + kSpacing;
            r.right -= kHorizontalBorder + kSpacing;
            r.top += kVerticalBorder;
            r.bottom -= kVerticalBorder;
        }
        out.emplace_back(c.m_pWnd, r);
    }
    return out;
}
