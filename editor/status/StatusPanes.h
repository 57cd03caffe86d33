#pragma once
#include "platform/GdiCanvas.h"

#include <string>
#include <utility>
#include <vector>

using platform::Rect;

// Pane styles.
enum : unsigned {
    SBPS_NOBORDERS = 0x0100,
    SBPS_STRETCH = 0x0800,
    SBPS_FILLCONTROL = 0x0001,  // a hosted control covers the whole pane
};

// One pane as saved and rebuilt by the bar.
struct CCJStatusBarPane {
    unsigned id = 0;
    int width = 0;
    unsigned style = 0;
    std::wstring text;
};

// A hosted control: a token the window layer gives it, the pane it sits in, and
// whether removing the pane destroys it.
struct CCJStatusBarPaneControlInfo {
    int m_pWnd = 0;
    unsigned m_nPaneID = 0;
    bool m_bAutoDelete = true;
};

// The pane list of a status bar with its hosted controls: ids, widths, styles,
// texts and the rectangles they take on a bar of a given size.
class StatusPaneModel {
public:
    // The bar's borders: left/right, top/bottom, and between panes.
    static constexpr int kHorizontalBorder = 0;
    static constexpr int kVerticalBorder = 2;
    static constexpr int kSpacing = 2;
    // Three pixels on each side of a pane's text width.
    static constexpr int kPaneBorder = 6;

    explicit StatusPaneModel(int screenWidth = 1024) : screenWidth_(screenWidth) {}

    // Panes for the ids: a pane of id 0 gets a quarter of the screen's width, and
    // the first pane of id 0 stretches and has no border; others start at width 0.
    void SetIndicators(const std::vector<unsigned>& ids);
    int GetCount() const { return int(panes_.size()); }
    bool GetPane(int index, CCJStatusBarPane& pane) const;
    void SetPaneInfo(int index, unsigned id, unsigned style, int width);
    void SetPaneWidth(int index, int width);
    void SetPaneText(int index, const std::wstring& text);
    // Index of the first pane with the id, -1 when none.
    int CommandToIndex(unsigned id) const;

    // False when the id is present already.
    bool AddIndicator(int position, unsigned id);
    // Removes every pane with the id; the record of a control hosted in such a
    // pane is returned (when there was one) so its owner can destroy the control.
    bool RemoveIndicator(unsigned id, CCJStatusBarPaneControlInfo* removed = nullptr);

    bool AddControl(int control, unsigned paneId, bool autoDelete);
    const CCJStatusBarPaneControlInfo* GetPaneControl(unsigned paneId) const;
    const std::vector<CCJStatusBarPaneControlInfo>& Controls() const { return controls_; }

    // The pane's rectangle on a bar of the given client size.
    Rect GetItemRect(int index, int barWidth, int barHeight) const;
    // Where each hosted control goes: the pane's rectangle, or inside its borders.
    std::vector<std::pair<int, Rect>> PositionControls(int barWidth, int barHeight) const;

private:
    std::vector<CCJStatusBarPane> SaveAll() const;
    void Restore(const std::vector<CCJStatusBarPane>& saved, int newIndex);

    int screenWidth_;
    std::vector<CCJStatusBarPane> panes_;
    std::vector<CCJStatusBarPaneControlInfo> controls_;
};
