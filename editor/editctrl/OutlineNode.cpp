#include "editor/editctrl/OutlineNode.h"

#include "editor/editctrl/EditArchive.h"
#include "editor/editctrl/OutlineChangeSet.h"

#include <algorithm>

// --- COutlineBaseNode -------------------------------------------------------

void COutlineBaseNode::CopyFrom(const COutlineBaseNode& other)
{
    if (this != &other)
        *this = other;  // the base fields only; a node's children stay its own
}

void COutlineBaseNode::Offset(int distance)
{
    m_nStart += distance;
    m_nEnd += distance;
}

int COutlineBaseNode::RangeRelation(int first, int last) const
{
    if (m_nEnd < first || m_nStart > last)
        return kApart;
    if (m_nStart >= first && m_nEnd <= last)
        return kInside;
    return kOverlapping;
}

void COutlineBaseNode::OnTextDeleted(int first, int end) { AdjustForDeletion(first, end); }

void COutlineBaseNode::OnTextInserted(int offset, int length) { AdjustForInsertion(offset, length); }

void COutlineBaseNode::SetCollapsed(bool collapsed)
{
    if (IsRegion())
        m_bCollapsed = collapsed;
}

void COutlineBaseNode::AdjustForInsertion(int offset, int length)
{
    if (m_nStart == -1 && m_nEnd == -1)
        return;
    if (m_nEnd < offset)
        return;
    if (m_nStart >= offset) {
        if (offset > HeaderStart())
            m_nHeaderLength += length;
        Offset(length);
    } else {
        m_nEnd += length;
    }
}

void COutlineBaseNode::AdjustForDeletion(int first, int end)
{
    if ((m_nStart == -1 && m_nEnd == -1) || end <= first)
        return;
    const int length = end - first;
    const int last = end - 1;
    if (m_nEnd < first)
        return;
    if (m_nStart >= end) {
        const int headerStart = HeaderStart();
        if (end > headerStart) {  // the stretch ends inside the header
            if (first < headerStart)
                m_nHeaderLength = m_nStart - end;
            else
                m_nHeaderLength = std::max(0, m_nHeaderLength - length);
        }
        Offset(-length);
        return;
    }
    if (first <= m_nStart && last >= m_nEnd)
        return;  // covered whole: left for removal
    if (first <= m_nStart) {
        // The start was cut: the region now begins where the stretch began; its
        // end moves back with the text and its header keeps its own start.
        const int headerStart = HeaderStart();
        m_nHeaderLength = std::max(0, first - headerStart);
        m_nEnd -= length;
        m_nStart = first;
    } else if (last >= m_nEnd) {
        m_nEnd = first - 1;
    } else {
        m_nEnd -= length;
    }
}

// --- COutlineNode -----------------------------------------------------------

void COutlineNode::OnTextDeleted(int first, int end)
{
    COutlineBaseNode::OnTextDeleted(first, end);
    for (auto& child : m_children)
        child->OnTextDeleted(first, end);
}

void COutlineNode::OnTextInserted(int offset, int length)
{
    COutlineBaseNode::OnTextInserted(offset, length);
    for (auto& child : m_children)
        child->OnTextInserted(offset, length);
}

COutlineNode* COutlineNode::AddCopy(const COutlineBaseNode& node, OutlineChangeSet& changes)
{
    auto copy = std::make_unique<COutlineNode>();
    copy->CopyFrom(node);
    return InsertChild(std::move(copy), changes);
}

COutlineNode::NodePtr COutlineNode::TakeChild(size_t index)
{
    NodePtr child = std::move(m_children[index]);
    m_children.erase(m_children.begin() + static_cast<ptrdiff_t>(index));
    child->m_pParent = nullptr;
    return child;
}

void COutlineNode::AdoptAt(size_t index, NodePtr child)
{
    child->m_pParent = this;
    m_children.insert(m_children.begin() + static_cast<ptrdiff_t>(index), std::move(child));
}

size_t COutlineNode::FirstChildEndingFrom(int offset) const
{
    // children are ordered and disjoint, so their ends are ordered too
    const auto it = std::partition_point(m_children.begin(), m_children.end(),
                                         [offset](const NodePtr& c) { return c->m_nEnd < offset; });
    return static_cast<size_t>(it - m_children.begin());
}

COutlineNode* COutlineNode::InsertChild(NodePtr node, OutlineChangeSet& changes)
{
    // the children ending before the node are apart from it: the walk starts after them
    size_t i = FirstChildEndingFrom(node->m_nStart);
    while (i < m_children.size()) {
        COutlineNode& child = *m_children[i];
        if (node->m_nEnd < child.m_nStart)
            break;
        switch (child.RangeRelation(node->m_nStart, node->m_nEnd)) {
        case kInside:
        {
            // already in the tree: moves without being recorded again
            NodePtr inner = TakeChild(i);
            auto& kids = node->m_children;
            const auto at = std::find_if(kids.begin(), kids.end(),
                                         [&](const NodePtr& k) { return k->m_nStart > inner->m_nStart; });
            node->AdoptAt(static_cast<size_t>(at - kids.begin()), std::move(inner));
            continue;
        }
        case kOverlapping:
            if (node->m_nStart >= child.m_nStart && node->m_nEnd <= child.m_nEnd)
                return child.InsertChild(std::move(node), changes);
            RemoveChild(i, changes, true);
            i = FirstChildEndingFrom(node->m_nStart);  // from the first child again
            continue;
        default:
            ++i;
        }
    }
    COutlineNode* placed = node.get();
    AdoptAt(i, std::move(node));
    changes.AddAdded(placed);
    return placed;
}

void COutlineNode::RemoveChild(size_t index, OutlineChangeSet& changes, bool keepChildren)
{
    NodePtr child = TakeChild(index);
    if (keepChildren) {
        size_t at = index;
        for (auto& grandChild : child->m_children) {
            grandChild->m_pParent = nullptr;
            AdoptAt(at++, std::move(grandChild));
        }
        child->m_children.clear();
    }
    changes.AddRemoved(std::move(child));
}

bool COutlineNode::Detach(OutlineChangeSet& changes)
{
    if (!m_pParent)
        return false;
    auto& siblings = m_pParent->m_children;
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this) {
            m_pParent->RemoveChild(i, changes, true);
            return true;
        }
    }
    return false;
}

void COutlineNode::RemoveAllChildren() { m_children.clear(); }

int COutlineNode::RemoveNodesInRange(int first, int last, OutlineChangeSet& changes)
{
    int count = 0;
    for (size_t i = FirstChildEndingFrom(first); i < m_children.size();) {
        COutlineNode& child = *m_children[i];
        if (child.m_nStart > last)
            break;
        const int relation = child.RangeRelation(first, last);
        if (relation == kInside) {
            count += 1 + child.CountDescendants();
            RemoveChild(i, changes, false);
            continue;
        }
        if (relation == kOverlapping)
            count += child.RemoveNodesInRange(first, last, changes);
        ++i;
    }
    return count;
}

COutlineNode* COutlineNode::FindRegionAt(int offset)
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        COutlineNode& child = **it;
        if (child.IsRegion() && child.m_nStart <= offset && offset <= child.m_nEnd + 1) {
            COutlineNode* inner = child.FindRegionAt(offset);
            return inner ? inner : &child;
        }
    }
    return nullptr;
}

COutlineNode* COutlineNode::FindCollapsedAt(int offset) const
{
    for (auto& child : m_children) {
        if (child->m_nStart > offset || child->m_nEnd < offset)
            continue;
        if (child->m_bCollapsed)
            return child.get();
        if (COutlineNode* inner = child->FindCollapsedAt(offset))
            return inner;
    }
    return nullptr;
}

COutlineNode* COutlineNode::FindCollapsedInRange(int first, int last, bool forward)
{
    const size_t n = m_children.size();
    for (size_t k = 0; k < n; ++k) {
        COutlineNode& child = *m_children[forward ? k : n - 1 - k];
        if (child.RangeRelation(first, last) == kApart)
            continue;
        if (child.m_bCollapsed)
            return &child;
        if (COutlineNode* inner = child.FindCollapsedInRange(first, last, forward))
            return inner;
    }
    return nullptr;
}

COutlineNode* COutlineNode::HitTestBoxes(int x, int y)
{
    for (auto& child : m_children) {
        if (child->m_bCollapsed && child->m_rcBox.Contains(x, y))
            return child.get();
        if (!child->m_bCollapsed)
            if (COutlineNode* inner = child->HitTestBoxes(x, y))
                return inner;
    }
    return nullptr;
}

void COutlineNode::GetDescendants(std::vector<COutlineNode*>& out)
{
    for (auto& child : m_children) {
        out.push_back(child.get());
        child->GetDescendants(out);
    }
}

void COutlineNode::CollectInRange(int first, int last, std::vector<COutlineNode*>& out)
{
    for (auto& child : m_children) {
        if (child->RangeRelation(first, last) == kApart)
            continue;
        if (child->IsRegion())
            out.push_back(child.get());
        child->CollectInRange(first, last, out);
    }
}

void COutlineNode::CollectChildrenInRange(int first, int last, std::vector<COutlineNode*>& out)
{
    for (auto& child : m_children)
        if (child->RangeRelation(first, last) != kApart)
            out.push_back(child.get());
}

void COutlineNode::CollectByCollapsed(bool collapsed, std::vector<COutlineNode*>& out)
{
    for (auto& child : m_children) {
        if (child->IsRegion() && child->m_bCollapsed == collapsed)
            out.push_back(child.get());
        child->CollectByCollapsed(collapsed, out);
    }
}

bool COutlineNode::RemoveRegionAt(int offset, OutlineChangeSet& changes)
{
    COutlineNode* region = FindRegionAt(offset);
    return region && region->Detach(changes);
}

void COutlineNode::ToggleRegionsInRange(int first, int last)
{
    std::vector<COutlineNode*> regions;
    CollectInRange(first, last, regions);
    ToggleRegionList(regions);
}

void COutlineNode::ToggleAllRegions()
{
    std::vector<COutlineNode*> regions;
    CollectByCollapsed(true, regions);
    CollectByCollapsed(false, regions);
    ToggleRegionList(regions);
}

int COutlineNode::CountDescendants() const
{
    int count = 0;
    for (const auto& child : m_children)
        count += 1 + child->CountDescendants();
    return count;
}

COutlineNode* COutlineNode::Top()
{
    COutlineNode* node = this;
    while (node->m_pParent)
        node = node->m_pParent;
    return node;
}

void ToggleRegionList(const std::vector<COutlineNode*>& nodes)
{
    const bool anyCollapsed =
        std::any_of(nodes.begin(), nodes.end(), [](const COutlineNode* n) { return n->m_bCollapsed; });
    for (COutlineNode* node : nodes)
        node->SetCollapsed(!anyCollapsed);
}

void COutlineBaseNode::Serialize(CEditArchive& ar)
{
    int32_t start = m_nStart, end = m_nEnd, header = m_nHeaderLength, block = m_nBlock;
    bool collapsed = m_bCollapsed;
    uint32_t kind = m_nKind;
    ar.Int(start);
    ar.Int(end);
    ar.Int(header);
    ar.Bool(collapsed);
    ar.String(m_strReplace);
    ar.Int(block);
    ar.UInt(kind);
    if (ar.IsLoading()) {
        m_nStart = start;
        m_nEnd = end;
        m_nHeaderLength = header;
        m_bCollapsed = collapsed;
        m_nBlock = block;
        m_nKind = kind;
    }
    m_rcBox = {};
    SerializeData(ar);
}

void COutlineBaseNode::SerializeData(CEditArchive& ar)
{
    ar.RefuseUserData();
}

void COutlineNode::Serialize(CEditArchive& ar)
{
    COutlineBaseNode::Serialize(ar);
    SerializeChildren(ar);
}

void COutlineNode::SerializeChildren(CEditArchive& ar)
{
    uint32_t count = uint32_t(m_children.size());
    ar.UInt(count);
    if (!ar.IsLoading()) {
        for (auto& child : m_children)
            child->Serialize(ar);
        return;
    }
    RemoveAllChildren();
    for (uint32_t i = 0; i < count; ++i) {
        auto child = std::make_unique<COutlineNode>();
        child->Serialize(ar);
        child->m_pParent = this;
        m_children.push_back(std::move(child));
    }
}
