#pragma once
#include "editor/editctrl/OutlineNode.h"

#include <algorithm>
#include <memory>
#include <vector>

// What one outline change did: the nodes taken out of the tree (owned here until
// the change is handled) and the nodes placed into it (owned by the tree), and
// the stretch of text affected, widened by every node recorded.
struct OutlineChangeSet {
    OutlineChangeSet(int first, int last) : m_nFirst(first), m_nLast(last) {}

    void AddRemoved(std::unique_ptr<COutlineNode> node)
    {
        Widen(*node);
        m_removed.push_back(std::move(node));
    }
    void AddAdded(COutlineNode* node)
    {
        Widen(*node);
        m_added.push_back(node);
    }
    void Widen(const COutlineBaseNode& node)
    {
        if (node.m_nStart < 0 && node.m_nEnd < 0)
            return;
        m_nFirst = std::min(m_nFirst, node.HeaderStart());
        m_nLast = std::max(m_nLast, node.m_nEnd);
    }

    std::vector<std::unique_ptr<COutlineNode>> m_removed;
    std::vector<COutlineNode*> m_added;
    int m_nFirst;
    int m_nLast;
};
