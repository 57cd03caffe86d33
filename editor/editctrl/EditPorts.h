#pragma once
// What the edit control's core needs from the window that shows it: a text
// measurer, a sink for repaints, caret and scroll bars, a clipboard, a drag
// source, and the seams the language settings and outlining fill.

#include <cstdint>
#include <string>
#include <string_view>

struct EcPoint
{
    int x = 0;
    int y = 0;
    bool operator==(const EcPoint&) const = default;
};

struct EcRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(EcPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool operator==(const EcRect&) const = default;
};

// Font metrics in pixels; widths of single bytes of the edit control's code page.
class IEditMeasurer
{
public:
    virtual ~IEditMeasurer() = default;
    virtual int FontHeight() const = 0;
    virtual int MaxCharWidth() const = 0;
    virtual int AveCharWidth() const = 0;
    virtual int CharWidth(unsigned char c) const = 0; // never asked for a tab
};

// The window side: every output of the core goes through here.
class IEditSink
{
public:
    virtual ~IEditSink() = default;
    // an empty rectangle means the whole client area
    virtual void Invalidate(const EcRect& rect) = 0;
    // bar 0 horizontal, 1 vertical
    virtual void SetScrollBar(int bar, int max, int page, int pos) = 0;
    virtual void SetScrollPos(int bar, int pos) = 0;
    virtual void CreateCaret(int width, int height, bool grey) = 0;
    virtual void DestroyCaret() = 0;
    virtual void ShowCaret(bool show) = 0;
    virtual void SetCaretPos(EcPoint p) = 0;
    // the change notification (the parent's "ON_EDITCHANGE")
    virtual void EditChanged() = 0;
};

// Text as the edit control's bytes; line ends as the control hands them over.
class IEditClipboard
{
public:
    virtual ~IEditClipboard() = default;
    // false when the clipboard did not take the text
    virtual bool SetText(const std::string& bytes, bool columnFormat) = 0;
    virtual bool HasText() const = 0; // plain text or the column format
    // false when there is no text; `column` tells the column format
    virtual bool GetText(std::string& bytes, bool& column) const = 0;
};

// Runs a drag of the given text out of the control; returns the drop effect
// (0 none, 1 copy, 2 move) and the cursor position (client pixels) at its end.
class IEditDragSource
{
public:
    virtual ~IEditDragSource() = default;
    virtual int RunDrag(const std::string& bytes, EcPoint& cursorAtEnd) = 0;
};

// The images the control shows for special sequences (and markers): their
// sizes in pixels; the window draws them.
class IEditImageList
{
public:
    virtual ~IEditImageList() = default;
    virtual int ImageCount() const = 0;
    virtual EcPoint ImageSize(int index) const = 0; // x the width, y the height
};

// The colour block table of the language settings, read for block delimiters.
class IEditBlockTable
{
public:
    virtual ~IEditBlockTable() = default;
    virtual int BlockCount() const = 0;
    virtual std::string_view BlockStart(int i) const = 0;
    virtual std::string_view BlockEnd(int i) const = 0;
    // Changes whenever a block is added, removed or changed: the control keeps
    // what it derived from the table while this and the count stay the same. A
    // table that never changes may keep 0.
    virtual uint64_t BlockGeneration() const { return 0; }
};

// One collapsed outline region as the text model sees it.
struct EcCollapsedRegion
{
    int start = 0;
    int end = 0;             // inclusive
    std::string placeholder; // the text shown in its place
    int boxWidth = 0;        // pixels of the placeholder box
};

// The outline as the editing commands and the line queries use it. Without
// one (the default) there are no regions.
class IEditOutline
{
public:
    virtual ~IEditOutline() = default;
    virtual void TextInserted(int start, int end) = 0;
    virtual void TextDeleted(int start, int end) = 0;
    virtual void Reparse(int offset, int length) = 0;
    // the collapsed region holding the offset (start <= offset <= end)
    virtual bool CollapsedAt(int offset, EcCollapsedRegion& region) const = 0;
    // "\n" inside collapsed regions before an offset
    virtual int HiddenLinesBefore(int offset) const = 0;
    virtual int HiddenLines() const = 0;
};
