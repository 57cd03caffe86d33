#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct OutlineChangeSet;
class CEditArchive;

struct OutlineRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// One outline region: offsets into the text (end inclusive), with a header (the
// keyword before the start) that stays visible when the region is folded.
class COutlineBaseNode {
public:
    enum Kind : uint32_t { kRegion = 1, kOpenOnly = 2, kCloseOnly = 4 };
    enum RangeRelationResult { kApart = 0, kInside = 1, kOverlapping = 2 };

    COutlineBaseNode() = default;
    COutlineBaseNode(const COutlineBaseNode&) = default;
    COutlineBaseNode& operator=(const COutlineBaseNode&) = default;
    virtual ~COutlineBaseNode() = default;

    virtual void CopyFrom(const COutlineBaseNode& other);
    // The fields (the box is emptied), then the user data, which no archive
    // takes: always ends in a CEditArchiveException.
    virtual void Serialize(CEditArchive& ar);
    virtual void SetData() {}
    virtual void ClearData() { m_nData = 0; }
    virtual void SerializeData(CEditArchive& ar);
    virtual void Offset(int distance);
    // Of the node's start .. end against first .. last (inclusive).
    virtual int RangeRelation(int first, int last) const;
    // The stretch first .. end (end excluded) was deleted.
    virtual void OnTextDeleted(int first, int end);
    virtual void OnTextInserted(int offset, int length);
    // Only complete regions fold.
    virtual void SetCollapsed(bool collapsed);

    bool IsRegion() const { return (m_nKind & kRegion) != 0; }
    int HeaderStart() const { return m_nStart - m_nHeaderLength; }

    int m_nStart = -1;
    int m_nEnd = -1;
    int m_nHeaderLength = 0;
    bool m_bCollapsed = false;
    std::string m_strReplace = "...";
    OutlineRect m_rcBox;
    int m_nBlock = -2;  // -1: made by hand
    uint32_t m_nKind = kRegion;
    uint32_t m_nData = 0;

protected:
    void AdjustForDeletion(int first, int end);
    void AdjustForInsertion(int offset, int length);
};

// A node with its children: ordered by start, never overlapping, each inside
// its parent. A node owns its children; the root has start and end -1.
class COutlineNode : public COutlineBaseNode {
public:
    using NodePtr = std::unique_ptr<COutlineNode>;

    COutlineNode() = default;
    COutlineNode(const COutlineNode&) = delete;
    COutlineNode& operator=(const COutlineNode&) = delete;

    void OnTextDeleted(int first, int end) override;
    void OnTextInserted(int offset, int length) override;
    // the base's fields, then the children (which the data's failure never reaches)
    void Serialize(CEditArchive& ar) override;
    virtual void SerializeChildren(CEditArchive& ar);

    // A copy of the node's fields as a new child, placed with InsertChild.
    COutlineNode* AddCopy(const COutlineBaseNode& node, OutlineChangeSet& changes);
    // Places the node in this subtree: children inside it move into it, a child
    // holding it receives it, a child only overlapping it is removed.
    COutlineNode* InsertChild(NodePtr node, OutlineChangeSet& changes);
    // Takes the child out into the change set; with keepChildren its children
    // stay here in its place.
    void RemoveChild(size_t index, OutlineChangeSet& changes, bool keepChildren);
    // Takes this node out of its parent (children stay with the parent); false for the root.
    bool Detach(OutlineChangeSet& changes);
    void RemoveAllChildren();

    // Every node lying wholly inside first .. last goes to the change set with
    // its subtree; returns how many nodes went, descendants counted.
    int RemoveNodesInRange(int first, int last, OutlineChangeSet& changes);
    // The innermost complete region with start <= offset <= end + 1.
    COutlineNode* FindRegionAt(int offset);
    // The first collapsed node with start <= offset <= end, depth first.
    COutlineNode* FindCollapsedAt(int offset) const;
    // The first collapsed node touching first .. last, from either end.
    COutlineNode* FindCollapsedInRange(int first, int last, bool forward);
    // The collapsed node whose placeholder box holds the point.
    COutlineNode* HitTestBoxes(int x, int y);
    void GetDescendants(std::vector<COutlineNode*>& out);
    // Complete regions touching first .. last, at any depth.
    void CollectInRange(int first, int last, std::vector<COutlineNode*>& out);
    // The direct children touching first .. last.
    void CollectChildrenInRange(int first, int last, std::vector<COutlineNode*>& out);
    void CollectByCollapsed(bool collapsed, std::vector<COutlineNode*>& out);
    // Removes the innermost region at the offset, its children staying in its place.
    bool RemoveRegionAt(int offset, OutlineChangeSet& changes);
    // Collapse all concerned regions when none is collapsed, else expand them all.
    void ToggleRegionsInRange(int first, int last);
    void ToggleAllRegions();
    int CountDescendants() const;

    const std::vector<NodePtr>& Children() const { return m_children; }
    COutlineNode* Parent() const { return m_pParent; }
    // The topmost ancestor (the root of the tree the node is in).
    COutlineNode* Top();

private:
    size_t FirstChildEndingFrom(int offset) const;
    NodePtr TakeChild(size_t index);
    void AdoptAt(size_t index, NodePtr child);

    std::vector<NodePtr> m_children;
    COutlineNode* m_pParent = nullptr;
};

// Collapses all nodes when none is collapsed, else expands them all.
void ToggleRegionList(const std::vector<COutlineNode*>& nodes);
