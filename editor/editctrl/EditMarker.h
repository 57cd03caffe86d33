#pragma once
// Markers on lines (breakpoints, line colours) and on stretches of text
// (highlights) of the edit control.

#include <cstdint>

class CEditArchive;

class CEditMarker
{
public:
    enum : int
    {
        kBreakpoint = 1,
        kLineColor = 4,
        kHilite = 8,
        kRefusedTypes = 0xFFE0,
    };

    CEditMarker() = default;
    CEditMarker(int line, int type, int priority, uint64_t data) : m_nLine(line), m_nType(type), m_nPriority(priority), m_nData(data) {}
    virtual ~CEditMarker() = default;

    CEditMarker& Assign(const CEditMarker& other)
    {
        CopyFrom(other);
        return *this;
    }
    virtual void CopyFrom(const CEditMarker& other);
    // 0 apart, 1 wholly inside [first, last], 2 overlapping
    virtual int LineRelation(int first, int last) const;
    virtual void SetActive(int active) { m_bActive = active; }
    virtual int OffsetRelation(int, int) const { return 0; }
    virtual void OnLinesDeleted(int, int) {}
    virtual void UniteOffsets(int, int) {}
    virtual bool HasData(uint32_t value) const { return uint32_t(m_nData) == value; }
    virtual void OnCopyData(uint64_t) {}
    // line, type and priority, then the user data, which no archive takes:
    // always ends in a CEditArchiveException
    virtual void Serialize(CEditArchive& ar);
    virtual void SerializeData(CEditArchive& ar);

    int m_nLine = 0;
    int m_nType = 0;
    int m_nPriority = 0;
    int m_bActive = 0;
    uint64_t m_nData = 0;
};

class CLineColorMarker : public CEditMarker
{
public:
    CLineColorMarker() { m_nType = kLineColor; }
    void CopyFrom(const CEditMarker& other) override;
    int LineRelation(int first, int last) const override;
    void OnLinesDeleted(int first, int last) override;

    uint32_t m_crText = 0xFFFFFFFF;
    uint32_t m_crBack = 0xFFFFFFFF;
    int m_nExtraLines = 0;
    int m_bFill = 0;
};

class CHiliteMarker : public CEditMarker
{
public:
    CHiliteMarker() { m_nType = kHilite; m_nLine = -1; }
    void CopyFrom(const CEditMarker& other) override;
    int LineRelation(int, int) const override { return 0; }
    int OffsetRelation(int first, int last) const override;
    void UniteOffsets(int first, int last) override;
    // the base's fields (which end in the data's failure), then the offsets
    void Serialize(CEditArchive& ar) override;

    int m_nStart = 0;
    int m_nEnd = 0; // excluded
    uint32_t m_crText = 0xFFFFFFFF;
    uint32_t m_crBack = 0xFFFFFFFF;
};
