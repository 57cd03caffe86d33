#pragma once
// The edit control's text: one byte string with "\n" line ends and an index of
// line starts. The index applies the shift of an edit to the following lines
// lazily (one pending step), so typing in a long text does not touch every
// following line start.

#include <string>
#include <string_view>
#include <vector>

class CEditText
{
public:
    CEditText();

    const std::string& Str() const { return m_strText; }
    int Length() const { return int(m_strText.size()); }
    // the byte at an offset; 0 below 0, at and past the end
    char At(int offset) const
    {
        return offset >= 0 && offset < Length() ? m_strText[size_t(offset)] : '\0';
    }

    int LineCount() const { return int(m_starts.size()); } // "\n" count + 1
    // start of a line; Length() for a line past the last
    int LineStart(int line) const;
    // the number of "\n" before an offset (clamped to the text)
    int LineOf(int offset) const;
    int CountNewlines(int start, int end) const; // in [start, end)

    void Assign(std::string text);
    void Insert(int offset, std::string_view s);
    void Erase(int offset, int count);
    // one byte in place; neither the old nor the new byte may be "\n"
    void SetAt(int offset, char c)
    {
        m_strText[size_t(offset)] = c;
        ++m_version;
    }
    // changes with every change of the text (for answers kept between calls)
    unsigned Version() const { return m_version; }

private:
    int Raw(int line) const { return m_starts[size_t(line)] + (line > m_stepLine ? m_stepLen : 0); }
    void StepTo(int line);
    void ShiftAfter(int line, int delta);

    std::string m_strText;
    std::vector<int> m_starts; // m_starts[0] == 0
    int m_stepLine = 0;        // lines after it still need m_stepLen added
    int m_stepLen = 0;
    unsigned m_version = 0;
};
