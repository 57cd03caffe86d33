#pragma once
#include "editor/editctrl/EditPorts.h"
#include "editor/editctrl/OutlineChangeSet.h"
#include "editor/editctrl/OutlineNode.h"
#include "editor/editctrl/OutlineParser.h"

#include <memory>
#include <string>
#include <string_view>

// The edit control's outline: the region tree, its parser, folding, and the
// hooks that keep regions in step with edits. The control derives from it and
// supplies the text and the view (repaints, scroll bars, caret).
class COutlining {
public:
    static constexpr int kCollapsedTipLimit = 512;

    COutlining() : m_port(*this) {}
    virtual ~COutlining() = default;
    COutlining(const COutlining&) = delete;
    COutlining& operator=(const COutlining&) = delete;

    virtual void CreateOutlineParser();
    // The OUTLINE_DATA section: replaces the parser's blocks (escape sequences
    // add up) and deletes every region. Always true; reads nothing without a parser.
    bool ReadOutlineSettings(const std::string& content, const std::string& wordDelimiters);

    // Does nothing unless outlining is on and started, a parser exists, parsing
    // is on and start .. start + length lies in the text.
    virtual void ReparseOutline(int start, int length, bool redraw = false);
    // -1 stands for the text's first and last offset.
    void ReparseOutlineRange(int first, int last, bool redraw = true);
    // Edits: an insertion of offset .. endOffset (excluded), a deletion of first .. end (excluded).
    virtual void OnOutlineTextInserted(int offset, int endOffset);
    virtual void OnOutlineTextDeleted(int first, int end);
    virtual void OnOutlineChanged(OutlineChangeSet& changes, bool redraw);
    void ApplyOutlineChanges(const OutlineChangeSet& changes);

    virtual int ToggleOutlineNode(COutlineNode* node);
    virtual int ToggleOutlineAtLine(int offset);
    void ToggleAllOutlining();
    void StartOutlining();
    void StopOutlining();
    // With a selection, folds or unfolds every region touching it; else toggles
    // the region at the caret.
    int ToggleOutliningAtCaret();
    // Folds the selected stretch into a region of its own.
    void HideSelection();
    // Removes the regions inside the selection, or the region at the caret;
    // nothing while automatic outlining runs.
    void StopHidingSelection();
    // A complete region made by hand (block index -1).
    COutlineNode* AddOutlineRegion(int start, int end, int headerLength, bool collapsed, const char* replace);

    COutlineNode* CollapsedNodeFromPoint(int x, int y);
    // The text of the collapsed region whose placeholder holds the point, cut at
    // m_nCollapsedTipLimit characters.
    bool CollapsedTextAtPoint(int x, int y, std::string& text);
    bool CollapsedTextAtOffset(int offset, std::string& text);
    COutlineNode* FindCollapsedNodeAt(int offset);
    COutlineNode* FindCollapsedNodeInRange(int first, int last, bool forward);
    // The text of start .. end (excluded) with every collapsed region left out.
    void GetVisibleText(std::string& text, int start, int end);

    // Every region goes; the parser too on a reset.
    void DeleteAllRegions();
    void ResetOutline();

    // The collapsed region at the offset as the line queries see it.
    bool CollapsedRegionAt(int offset, EcCollapsedRegion& region) const;
    // "\n" inside collapsed regions before the offset.
    int HiddenLinesBefore(int offset) const;
    int CountHiddenLines() const { return HiddenLinesOf(m_OutlineRoot); }
    // The outline as the text model's seam.
    IEditOutline* OutlinePort() { return &m_port; }

    virtual void OnOutlineHook1(COutlineNode*) {}
    virtual void OnOutlineHook2(COutlineNode*) {}

    COutlineNode m_OutlineRoot;
    std::unique_ptr<COutlineParser> m_pOutlineParser;
    bool m_bOutlining = false;
    bool m_bOutlineParse = false;
    bool m_bOutliningStarted = false;
    int m_nHiddenLines = 0;
    int m_nCollapsedTipLimit = kCollapsedTipLimit;
    COutlineNode* m_pActiveOutlineNode = nullptr;

protected:
    // What the control supplies.
    virtual std::string_view OutlineText() const = 0;
    virtual int OutlineCaretOffset() const { return 0; }
    virtual void OutlineSetCaret(int /*offset*/) {}
    virtual void OutlineCancelSelection() {}
    // The selected stretch first .. end (excluded); false without a selection.
    virtual bool OutlineSelection(int& /*first*/, int& /*end*/) const { return false; }
    virtual void OutlineUpdateScrollBars() {}
    // Repaint now from first to last.
    virtual void OutlineRedrawRange(int /*first*/, int /*last*/) {}
    // Repaint later from the line of the offset down.
    virtual void OutlineInvalidateFrom(int /*offset*/) {}
    // Pixels of a placeholder that has not been painted yet.
    virtual int OutlinePlaceholderWidth(const std::string& /*text*/) const { return 0; }

private:
    class Port : public IEditOutline {
    public:
        explicit Port(COutlining& outline) : m_outline(outline) {}
        // the outline's own operations, not an override that may lead back here
        void TextInserted(int start, int end) override { m_outline.COutlining::OnOutlineTextInserted(start, end); }
        void TextDeleted(int start, int end) override { m_outline.COutlining::OnOutlineTextDeleted(start, end); }
        void Reparse(int offset, int length) override { m_outline.COutlining::ReparseOutline(offset, length, false); }
        bool CollapsedAt(int offset, EcCollapsedRegion& region) const override
        {
            return m_outline.CollapsedRegionAt(offset, region);
        }
        int HiddenLinesBefore(int offset) const override { return m_outline.HiddenLinesBefore(offset); }
        int HiddenLines() const override { return m_outline.CountHiddenLines(); }

    private:
        COutlining& m_outline;
    };

    int HiddenLinesBefore(const COutlineNode& node, int offset) const;
    int HiddenLinesOf(const COutlineNode& node) const;
    void RecountHiddenLines();
    std::string RegionText(const COutlineNode& node) const;

    Port m_port;
};
