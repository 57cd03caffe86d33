#pragma once
// CEditCtrl: the script editor's source edit control, as a window-free core.
// Every position is a byte offset into one text with "\n" line ends. The core
// keeps the text, caret, selection, scroll state, undo history and markers; a
// widget supplies measuring, painting, caret, scroll bars and the clipboard
// through the interfaces of EditPorts.h.

#include "editor/editctrl/EditMarker.h"
#include "editor/editctrl/EditPorts.h"
#include "editor/editctrl/ColorRuns.h"
#include "editor/editctrl/EditText.h"
#include "editor/editctrl/LanguageSettings.h"
#include "editor/editctrl/Outlining.h"

#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// One step of the undo history.
struct CUndoRecord
{
    int offset = 0; // -1 for an indent record
    int caret = 0;
    int action = 0;
    std::string text;
    std::shared_ptr<struct CIndentRecord> object;
    int mode = 1; // +2: a character typed over another
    int chain = 0;
};

// An indent or outdent of selected lines, kept in the undo history.
struct CIndentRecord
{
    int start = 0;
    int end = 0;
    bool indent = true;
    std::vector<std::string> strings; // per line: inserted or removed text
};

namespace platform {
class GdiCanvas;
}

// The language settings (delimiters, colours, keyword and block tables) and the
// outline (regions, parser, folding) are the control's own through its bases.
class CEditCtrl : public CLanguageSettings, public COutlining
{
public:
    // refusal codes raised through OnError
    enum : unsigned
    {
        errUndo = 1,
        errRedo = 2,
        errCharLeft = 16,
        errCharRight = 32,
        errLineUp = 64,
        errLineDown = 128,
        errPageUp = 256,
        errPageDown = 512,
        errLineStart = 1024,
        errWordRight = 2048,
        errWordLeft = 4096,
        errTabLeft = 8192,
        errCopy = 0x40000,
        errNoSelection = 0x100000,
        errCutClipboard = 0x80100000,
        errExtend = 0x200000,
        errIndent = 0x400000,
        errDrop = 0x800000,
        errTabTooLong = 0x10004000,
        errJoinTooLong = 0x10008000,
        errNothingToDelete = 0x20010000,
        errOverwriteReadOnly = 0x40000004,
        errPasteReadOnly = 0x40020000,
        errPasteNoText = 0x80020000,
    };
    // last-action codes ORed into undo records
    enum : int
    {
        actTypeOverSel = 0x100,
        actCut = 0x200,
        actPaste = 0x400,
        actDelete = 0x800,
        actBackspace = 0x1000,
        actDrop = 0x2000,
        actEnter = 0x4000,
        actIndent = 0x8000,
        actOutdent = 0x10000,
        actTab = 0x20000,
    };
    // ExtendSelection movements
    enum
    {
        selWordLeft,
        selWordRight,
        selCharLeft,
        selCharRight,
        selLineUp,
        selLineDown,
        selPageUp,
        selPageDown,
        selLineStart,
        selLineEnd,
        selDocStart,
        selDocEnd,
        selAll,
    };
    static constexpr int kUndoLimit = 300;
    static constexpr int kMaxLineLength = 2048;

    CEditCtrl();
    virtual ~CEditCtrl();
    CEditCtrl(const CEditCtrl&) = delete;
    CEditCtrl& operator=(const CEditCtrl&) = delete;

    // --- window side ---------------------------------------------------------
    // Completes creation: the window exists, the text is empty, the caret at 0.
    virtual bool Create(IEditSink* sink, IEditMeasurer* measurer, const EcRect& client);
    bool HasWindow() const { return m_pSink != nullptr; }
    // the window is going: nothing is measured or shown through it any more
    void DetachWindow()
    {
        m_pSink = nullptr;
        m_pMeasurer = nullptr;
    }
    void SetClientRect(const EcRect& client); // size change: layout as UpdateLayout
    void SetClipboard(IEditClipboard* clipboard) { m_pClipboard = clipboard; }
    void SetDragSource(IEditDragSource* drag) { m_pDragSource = drag; }
    void SetBlockTable(const IEditBlockTable* table)
    {
        m_pBlockTable = table;
        m_delimiters.valid = false;
    }
    void SetOutline(IEditOutline* outline) { m_pOutline = outline; }
    // images for sequences; the first image's height widens the line spacing
    // at the next font measuring
    void SetImageList(const IEditImageList* images) { m_pImageList = images; }
    const IEditImageList* GetImageList() const { return m_pImageList; }
    // a sequence's width: its image's
    int SequenceWidth(const SequenceInfo& seq) const;
    // called after every change of the marker list
    void SetMarkersChangedHandler(std::function<void()> handler) { m_onMarkersChanged = std::move(handler); }
    // a key went down (Windows virtual-key code); typed-character merging reads it
    void NoteKeyDown(unsigned vk)
    {
        m_nPrevKey = m_nLastKey;
        m_nLastKey = vk;
    }

    // --- whole text and state (text model) -------------------------------------
    void SetWindowText(const std::string& text);
    // copies at most size - 1 characters and a zero; returns the count copied
    int GetWindowText(char* buffer, int size) const;
    const std::string& GetText() const { return m_strText.Str(); }
    int GetTextLength() const { return m_strText.Length(); }
    char CharAt(int offset) const { return m_strText.At(offset); }
    int GetLineCount() const { return m_nLineCount + 1; }
    void Reset();
    virtual void NotifyChange(int offset, const std::string& text, int flag);
    virtual bool IsModified() const;
    void SetModified(bool modified) { m_bModified = modified; }
    // the editor saved the text: the current undo position is the clean one
    void MarkSaved();
    // the whole text from and to a file ("\r\n" line ends on disk); false on failure
    bool LoadFile(const std::string& path);
    bool SaveFile(const std::string& path);
    // "\n" to "\r\n" when asked
    static std::string MakeGlobalText(const std::string& text, bool crlf);

    // --- queries ---------------------------------------------------------------
    int LineStartOf(int offset, bool skipCollapsed = true) const;
    int LineEndOf(int offset, bool skipCollapsed = true) const;
    int GetCaretLineStart(bool skipCollapsed = true) const;
    int GetCaretLineEnd(bool skipCollapsed = true) const;
    int SkipWhitespace(int offset, bool skipCollapsed = true) const;
    int GetCaretLineTextStart(bool skipCollapsed = true) const;
    int LineFromOffset(int offset, bool fromStart = false, bool skipCollapsed = true) const;
    int ColumnFromOffset(int offset, bool skipCollapsed = true) const;
    int OffsetFromColumn(int column, int offsetOnLine, bool offsetIsLineEnd = false, bool skipCollapsed = true) const;
    int VisibleLineFromLine(int line, bool fromStart = false) const;
    int CountCharInRange(int start, int end, char c, bool skipCollapsed = false) const;
    int GetCaretLine() const { return LineFromOffset(m_nCaret); }
    int GetCaretColumn() const { return m_nCaretColumn; }
    int GetCaret() const { return m_nCaret; }
    void GetSelection(int& start, int& end) const
    {
        start = m_nSelStart;
        end = m_nSelEnd;
    }
    virtual void GetCaretSize(int& width, int& height) const;
    int LineLengthInColumns(int offset) const; // the offset's whole line
    // the "\n" that ends the offset's line, or the text length on the last line
    int TrueLineEnd(int offset, bool skipCollapsed = true) const;

    // --- pixels and layout -----------------------------------------------------
    bool PointFromOffset(int offset, EcPoint& pt, EcPoint* colLine = nullptr, int* wantedScroll = nullptr) const;
    int OffsetFromPoint(EcPoint pt, bool snap, bool allowOutside, EcPoint* snapped = nullptr) const;
    bool PtInSelection(EcPoint pt) const;
    // the selection's first line, middle lines and last line in client pixels
    bool GetSelectionRects(EcRect& first, EcRect& middle, EcRect& last) const;
    EcPoint ClientToDoc(EcPoint p) const;
    EcPoint DocToClient(EcPoint p) const;
    EcRect ClientToDocRect(const EcRect& r) const;
    EcRect DocToClientRect(const EcRect& r) const;
    bool SetCaretOffset(int offset, bool scroll, bool redraw);
    void UpdateLayout();
    void UpdateScrollBars();
    void RecalcFontMetrics();
    virtual void RedrawLines(int first, int last);
    virtual void RedrawRange(int start, int end);
    void RedrawLineAt(int offset);
    void RedrawFromLine(int offset);
    // the text columns of one line (counted among all lines)
    void RedrawLineText(int line);
    // From the line starting at `offset` to the start of the next line no
    // collapsed region hides: `line` counts every line passed, `count` one
    // more visible line. False (nothing changed) on the last line.
    bool NextVisibleLine(int& line, int& count, int& offset) const;
    void ShowLineNumbers(bool on, int width);
    void ShowOutlineMargin(bool on, int width);
    int GetTabbedTextExtent(const char* text, int count) const;
    const EcRect& GetTextRect() const { return m_rcText; }
    int GetFirstLine() const { return m_nFirstLine; }
    int GetFirstColumn() const { return m_nFirstColumn; }
    int GetFirstLineOffset() const { return m_nFirstLineOffset; }
    const EcRect& GetClientRect() const { return m_rcClient; }
    EcPoint GetCaretPoint() const { return m_ptCaret; }
    int GetLineHeight() const { return m_nLineHeight; }
    int GetCharWidth() const { return m_nCharWidth; }
    int GetTabStop() const { return m_nTabStop; }
    int GetVScrollMax() const { return m_nVScrollMax; }

    // --- movement and scrolling --------------------------------------------------
    virtual int MoveCharLeft(bool redraw = true);
    virtual int MoveCharRight(bool redraw = true);
    virtual int MoveLineUp(bool wantedColumn = true, bool redraw = true);
    virtual int MoveLineDown(bool wantedColumn = true, bool redraw = true);
    virtual int MoveLineStart(bool redraw = true);
    virtual int MoveLineEnd(bool redraw = true);
    virtual int MoveDocumentStart(bool redraw = true);
    virtual int MoveDocumentEnd(bool redraw = true);
    virtual int MovePageUp(bool redraw = true);
    virtual int MovePageDown(bool redraw = true);
    virtual int MoveWordRight(bool redraw = true);
    virtual int MoveWordLeft(bool redraw = true);
    virtual int MoveTabLeft();
    virtual void OnCaretMoved() {}
    virtual int Scroll(int bar, int code, int position = -1);
    virtual int MoveToWantedColumn(int lineOffset, bool redraw = true);
    int LineScroll(bool down);
    int ScrollLineDown(int bar, bool redraw);
    int ScrollLineUp(int bar, bool redraw);
    int ScrollPageDown(int bar, bool redraw);
    int ScrollPageUp(int bar, bool redraw);
    int ScrollToTop(int bar, bool redraw);
    int ScrollToBottom(int bar, bool redraw);
    void SetWantedColumn();
    int GetWantedColumn() const { return m_nWantedColumn; }

    // --- editing -----------------------------------------------------------------
    // overwrite: false types as insert mode does even with Insert on
    virtual int InsertChar(char c, bool redraw = true, bool overwrite = true);
    virtual int InsertText(const std::string& text, int offset = -1, bool redraw = true, bool clearUndo = false,
                           bool moveMarkers = true, bool chain = false, bool noWrap = true);
    virtual int InsertTextLines(const std::string& text, int offset = -1, bool redraw = true);
    virtual int NewLine(bool redraw = true, bool chain = false, int offset = -1, bool moveCaret = true);
    virtual int InsertTab(bool redraw = true);
    virtual int DeleteChar(bool redraw = true, bool chain = false);
    virtual int NormalizeText(std::string& text);
    virtual int InsertLineBreak(bool chain = false, int offset = -1, bool moveCaret = true);
    virtual void OnDeleteText(int start, int end, const std::string* text);
    virtual void OnInsertText(int offset, const std::string& text, bool moveMarkers);
    virtual int CanInsert(const std::string&, int) { return 1; }
    virtual int CanDelete(int, const std::string&) { return 1; }
    virtual void OnError(unsigned) {}
    virtual int IndentSelection(bool indent);
    virtual int CheckSelectionLines(bool indent);
    virtual int ToggleOverwrite();
    virtual void SetOverwrite(bool on) { s_bOverwrite = on; }
    virtual bool IsOverwrite() const { return s_bOverwrite; }
    int DeleteSelection(bool redraw, bool toClipboard, bool chain);
    int DeleteRange(int start, int end, bool redraw);
    int IndentLines(int start, int end, bool indent, bool refuse, bool keepSelection, CIndentRecord* record,
                    bool replay);
    void MakeIndent(std::string& out) const;
    bool IsNearBlockDelimiter(int offset) const;
    // the newest undo record no longer chains on (a compound command ended)
    void CloseUndoChain();

    // --- undo --------------------------------------------------------------------
    virtual bool CanUndo() const;
    virtual bool CanRedo() const;
    virtual int Undo(bool placeCaret = true, bool repaint = true);
    virtual int Redo(bool placeCaret = true, bool repaint = true);
    virtual bool AddUndoRecord(std::unique_ptr<CUndoRecord> record);
    virtual bool AddUndoMark(std::shared_ptr<CIndentRecord> object, int action);
    virtual bool AddUndoChar(char c, int action, int offset, bool inserted);
    virtual bool AddUndoText(const std::string& text, int action, int offset, bool notOverwrite, bool chain);
    virtual int OnUndoHook1() { return 1; }
    virtual void OnUndoHook2() {}
    virtual int CanAddUndo(const CUndoRecord&) { return 1; }
    virtual void OnUndoRecordFreed(CUndoRecord&) {}
    virtual int ApplyUndoRecord(CUndoRecord& record, bool undo, bool placeCaret);
    virtual void ClearUndo();
    virtual void SetLastAction(int action) { m_nLastAction = action; }
    virtual int GetLastAction() const { return m_nLastAction; }
    void GetUndoActions(std::vector<int>& actions) const;
    void GetRedoActions(std::vector<int>& actions) const;
    int GetUndoCount() const { return int(m_lstUndo.size()); }

    // --- selection and clipboard -------------------------------------------------
    virtual int ExtendSelection(int movement);
    virtual int CancelSelection(bool toStart, bool keepCaret, bool redraw);
    virtual void SelectRange(int start, int end, bool noCaret = false, bool redraw = false);
    virtual void SetSelection(int start, int end, bool noCaret = false);
    void SelectLine(int line, bool keepCaret = false, bool redraw = true);
    void SelectLines(int firstLine, int count, bool keepCaret = false, bool redraw = true);
    bool HasSelection() const { return m_nSelStart >= 0 && m_nSelEnd >= 0 && m_nSelStart != m_nSelEnd; }
    std::string GetSelectedText() const;
    virtual int Copy();
    virtual int Cut();
    virtual int Paste(int offset = -1);
    virtual int Clear();
    virtual int CanPaste() const;
    virtual int CanCopy() const;
    virtual int CanCut() const;
    int CopyTextToClipboard(const std::string& text);
    int InsertFromData(const std::string& text, bool column, int offset, bool redraw, bool clearUndo, bool moveMarkers,
                       bool chain);
    // drag of the selection out of the control, started by a press at `pressed`
    int DragSelection(EcPoint pressed);
    virtual int OnDragEnter(const std::string& text, unsigned keyState, EcPoint pt);
    virtual int OnDragOver(const std::string& text, unsigned keyState, EcPoint pt);
    virtual void OnDragLeave();
    virtual int OnDrop(const std::string& text, bool column, int effect, EcPoint pt);

    // --- find and replace ----------------------------------------------------------
    bool SearchText(int& foundOffset, int& foundLength, const std::string& text, bool down, bool matchCase,
                    bool wholeWord, int startAt = -1) const;
    virtual int Find(const std::string& text, bool down, bool matchCase, bool wholeWord);
    virtual int Replace(const std::string& text, const std::string* replacement, bool down, bool matchCase,
                        bool wholeWord);
    virtual int ReplaceAll(const std::string& text, const std::string* replacement, bool down, bool matchCase,
                           bool wholeWord);

    // --- markers ---------------------------------------------------------------------
    using MarkerList = std::list<std::unique_ptr<CEditMarker>>;
    const MarkerList& Markers() const { return m_lstMarkers; }
    int ToggleMarker(int line, int type, uint64_t data = 0, bool redraw = true, int priority = 0);
    CEditMarker* AddMarker(std::unique_ptr<CEditMarker>& marker, bool redraw = true);
    CEditMarker* AddMarkerAtLine(std::unique_ptr<CEditMarker>& marker, int line, bool redraw = true);
    CEditMarker* AddLineColorMarker(int line, uint32_t text, uint32_t back, bool fill, int extraLines, int types = 0,
                                    int priority = 0);
    CEditMarker* AddHiliteMarker(int start, int end, uint32_t text, uint32_t back, int types = 0, int priority = 0);
    CEditMarker* FindMarker(int line, CEditMarker** out, int type) const;
    virtual CEditMarker* FindMarkerByData(uint32_t value) const;
    virtual void GetMarkersByData(std::vector<CEditMarker*>& out, uint32_t value) const;
    virtual bool HasMarkers(int type) const;
    void GetMarkersOfType(std::vector<CEditMarker*>& out, int type) const;
    void GetMarkersOnLines(int first, std::vector<CEditMarker*>& out, int type, int last = -1) const;
    void GetMarkersInOffsets(int first, int last, std::vector<CEditMarker*>& out, int type) const;
    bool SetMarkerData(int line, uint64_t data, int type, bool redraw = false);
    // false when the marker is not in the list
    bool SetMarkerDataAt(const CEditMarker* marker, uint64_t data);
    // the colours of the first line-colour marker covering the line
    bool GetLineColorMarkerColors(int line, COLORREF& text, COLORREF& back) const;
    // the colours of the first highlight marker holding the offset
    bool GetHiliteColors(int offset, COLORREF& text, COLORREF& back) const;
    bool RemoveMarkers(int line, int type, bool redraw = true);
    bool RemoveMarkerAt(CEditMarker* marker);
    void RemoveMarkersOfType(int type, bool redraw = true);
    void RemoveAllMarkers();
    int RemoveMarkersInOffsets(int first, int last, int type, bool redraw = true);
    virtual void ShiftMarkers(int line, int count);
    virtual void RemoveMarkersInRange(int first, int last);
    void RedrawMarkerLine(int line, bool wholeWidth);
    int GoToNextMarker(int type, bool forward);
    virtual int GoToMarker(const CEditMarker* marker);
    virtual int CanRemoveMarker(CEditMarker*) { return 1; }
    virtual int CanMoveMarker(CEditMarker*) { return 1; }
    virtual int CanDeleteMarker(CEditMarker*) { return 1; }
    virtual int MarkerHook() { return 1; }

    // --- colouring (what a paint draws) ---------------------------------------------
    virtual bool LookupKeyword(const std::string& word, COLORREF& text, COLORREF& back) const;
    // colour ranges of first .. end (excluded), absolute offsets, text order;
    // `skip` is left out of the scan
    void ScanBlocks(int first, int end, std::vector<ColorRange>& out, const ColorBlock* skip = nullptr) const;
    // the whole-text block open at the offset (it began above), or null
    const ColorBlock* WholeTextBlockAt(int offset) const;
    // the offset after that block's end string, or the text length
    int FindWholeTextBlockEnd(const ColorBlock& block, int offset) const;
    virtual void GetCharColors(char, int, COLORREF&, COLORREF&) const {}
    virtual bool GetLineColors(int, int, COLORREF&, COLORREF&, bool) const { return false; }
    // Special sequences: forward, one that starts at `offset` and ends before
    // `end`; backward, one that ends at `offset` and starts at or after `end`.
    // `c` matches a key character. `extra` is the sequence's length less one.
    virtual bool MatchSequence(std::string_view text, int offset, int end, char c, SequenceInfo* out, int* extra,
                               bool forward) const;
    // characters beyond the first that belong to a sequence at the offset
    // (forward) or ending at it (backward); 0 for none
    virtual int GetSequenceLength(std::string_view text, int offset, bool forward) const;
    // may draw a sequence itself; false leaves it to the image list
    virtual bool OnDrawSequence(platform::GdiCanvas&, const EcRect&, const SequenceInfo&) { return false; }
    // whether the character, or the text, holds any block start or end string
    bool IsBlockDelimiterChar(char c) const;
    bool ContainsBlockDelimiter(std::string_view text) const;
    // the runs of the visible lines first .. last (zero-based, counted from the
    // top line); printing leaves out the selection and markers; refills the links
    void BuildPaintLines(int firstVisible, int lastVisible, bool printing, std::vector<EcPaintLine>& out);
    COLORREF DefaultTextColor() const;
    COLORREF DefaultBackColor() const;
    bool m_bHasFocus = false; // the selection colours in use

    // --- links and tips ---------------------------------------------------------------
    virtual bool FindHyperlink(int first, int end, std::string& link, int& linkStart) const;
    int LinkIndexAt(int offset) const;
    virtual void OpenHyperlink(int linkStart, const std::string& link);
    bool GetLinkTip(std::string& text) const;
    // the hot link's text, else the text of the link holding the caret
    bool GetLinkText(std::string& text);
    void FollowLinkAtCaret();
    // kNoColor stands for the focused selection background
    void SetLinkHighlight(bool on, COLORREF color);
    virtual bool CanGetLinkText(int, const std::string&) const { return true; }
    // a listed variable's "name = value type" in place of its name
    bool GetVariableTip(std::string& text) const;
    // the debugger's variable list while it stands at a break; empty otherwise
    void SetVariableList(std::vector<std::string> lines) { m_lstVariables = std::move(lines); }
    // the tip for a client point: a link, a collapsed region's text, or the word
    // there (a listed variable shown with its value); false for none
    bool GetTipText(EcPoint pt, std::string& text, bool& wide);
    bool GetWordAtPoint(EcPoint pt, std::string& word) const;
    virtual bool CanShowLinkTip(int, const std::string&) const { return true; }
    virtual bool CanShowToolTip(const std::string&) const { return true; }
    const std::vector<EcLink>& Links() const { return m_arrLinks; }
    int m_nCaretLink = -1;
    int m_nHotLink = -1;

    // --- input (the window hands over keys, characters and mouse points) ----------------
    // a key down (virtual-key code); false when the key does nothing here
    bool OnKeyDown(unsigned vk, bool shift, bool ctrl);
    // a typed byte of the code page; control characters are ignored
    void OnChar(unsigned char c);
    // the offset of the drag-selection point (x kept inside the text); the
    // selection grows to it; returns the offset or -1
    int DragSelectTo(EcPoint pt);
    // a double click: a run of blanks, or the word there
    void SelectWordAt(EcPoint pt);
    void GetWordBounds(int offset, int& start, int& end) const;
    // after a left click ends: a collapsed placeholder under the point is selected
    void OnLButtonUp(EcPoint pt);
    void OnRButtonDown(EcPoint pt);
    // one line up or down for each whole 120 units; false when everything fits
    bool WheelLines(int lines);
    // a scroll-bar request; when the view moved: repaint, caret placed or parked
    bool ScrollView(int bar, int code, int position = -1);
    bool AllLinesFit() const;
    void OnSetFocus();
    void OnKillFocus();

    // --- printing ----------------------------------------------------------------------
    // Lays the control out for one printed page (1-based) in `page` with the
    // printer's measurer; false when the page lies past the text. EndPrintPage
    // puts the screen layout back.
    bool BeginPrintPage(IEditMeasurer* printer, const EcRect& page, int number, bool& more);
    void EndPrintPage();

    // --- HTML export ------------------------------------------------------------------
    void GetHtmlText(std::string& out) const;
    virtual void EscapeHtml(std::string& text) const;

    // --- options (public as the script editor sets them) -------------------------------
    std::string m_strWhitespace;
    std::string m_strBlanks;
    std::string m_strEscapeChars;
    bool m_bCrLfClipboard = true;
    int m_nLineSpacing = 1;
    int m_nMarkerMarginWidth = 20;
    int m_nLineNumberWidth = 40;
    int m_nOutlineMarginWidth = 20;
    int m_nIndentWidth = 4;
    int m_nTabWidth = 4;
    int m_nHScrollJump = 15;
    int m_nHScrollLeftKeep = 2;
    unsigned m_nAutoScrollInterval = 100;
    bool m_bCopyWholeText = false;
    bool m_bAutoIndent = true;
    bool m_bSequenceImages = false;
    std::vector<SequenceInfo> m_lstSequences;
    int m_nMaxLineLength = kMaxLineLength;
    bool m_bReadOnly = false;
    bool m_bColumnSelect = false;
    bool m_bShowLineNumbers = false;
    bool m_bShowOutlineMargin = false;
    int m_nUndoLimit = kUndoLimit;

    // edits reach the outline through its seam (the control's own outline unless
    // another was set)
    void OnOutlineTextInserted(int start, int end) override;
    void OnOutlineTextDeleted(int start, int end) override;
    void ReparseOutline(int start, int length, bool redraw = false) override;

protected:
    // what the outline asks of the view
    std::string_view OutlineText() const override { return m_strText.Str(); }
    int OutlineCaretOffset() const override { return m_nCaret; }
    void OutlineSetCaret(int offset) override;
    void OutlineCancelSelection() override;
    bool OutlineSelection(int& first, int& end) const override;
    void OutlineUpdateScrollBars() override { UpdateScrollBars(); }
    void OutlineRedrawRange(int first, int last) override;
    void OutlineInvalidateFrom(int offset) override;
    int OutlinePlaceholderWidth(const std::string& text) const override;

    // the text primitives every change goes through: they keep the line index,
    // m_nLineCount and the top line in step
    void TextInsert(int offset, const std::string& s);
    void TextErase(int offset, int count);
    void RecalcFirstLine();
    void MoveTop(int newTop);
    int DeleteSpan(int start, int end, bool redraw, bool toClipboard, bool chain);
    bool CollapsedAt(int offset, EcCollapsedRegion& region) const;
    bool IsDelimiter(char c) const;
    bool IsSpecial(char c) const;
    int CharExtent(unsigned char c) const;
    void Repaint() { RedrawLines(0, -1); }
    void PlaceSystemCaret();
    void MarkersChanged();
    void DropUndoRecords(size_t from, size_t to);
    int VisibleColumns() const;
    int PageLines() const;
    std::string MakeClipboardText(const std::string& text) const;

    IEditSink* m_pSink = nullptr;
    IEditMeasurer* m_pMeasurer = nullptr;
    IEditClipboard* m_pClipboard = nullptr;
    IEditDragSource* m_pDragSource = nullptr;
    const IEditBlockTable* m_pBlockTable = nullptr;
    // the block table's strings, for the delimiter queries; read again when the
    // table's generation or count changes
    struct DelimiterIndex {
        std::array<bool, 256> chars{};     // in some start or end string
        std::unordered_set<std::string> strings; // the start and end strings, none empty
        std::vector<size_t> lengths;       // the lengths found in strings
        uint64_t generation = 0;
        int count = 0;
        bool valid = false;
    };
    mutable DelimiterIndex m_delimiters;
    const DelimiterIndex& Delimiters() const;
    IEditOutline* m_pOutline = nullptr;
    const IEditImageList* m_pImageList = nullptr;
    std::function<void()> m_onMarkersChanged;

    CEditText m_strText; // the text with its line index
    bool m_bModified = false;
    unsigned m_nLastKey = 0xFFFFFFFF;
    unsigned m_nPrevKey = 0xFFFFFFFF;
    int m_nLineHeight = 0;
    int m_nCharWidth = 0;
    int m_nAveCharWidth = 0;
    EcRect m_rcClient;
    EcRect m_rcText;
    int m_nCaret = 0;
    EcPoint m_ptCaret;
    int m_nSelStart = -1;
    int m_nSelEnd = -1;
    EcPoint m_ptBlockStart{-1, -1};
    EcPoint m_ptBlockEnd{-1, -1};
    int m_nFirstColumn = 0;
    int m_nFirstLine = 0;
    int m_nHiddenAbove = 0;
    int m_nFirstLineOffset = 0;
    int m_nLineCount = 0;
    int m_nHScrollMax = 0;
    int m_nVScrollMax = 0;
    int m_nCaretLine = 0;
    int m_nCaretColumn = 0;
    int m_nSavedCaret = 0;
    EcPoint m_ptCaretDoc;
    int m_nLastDragOffset = -1;
    int m_nDropOffset = -1;
    int m_nWantedColumn = 0;
    int m_nDragState = 0;
    int m_nTabStop = 0;
    mutable std::array<int, 256> m_mapCharWidths;
    // the last answer of WholeTextBlockAt: it holds for every offset from
    // `floor` to `offset` while the text and the block stay as they are
    struct WholeBlockAnswer {
        unsigned version = 0;
        const ColorBlock* block = nullptr;
        std::string start, end;
        size_t blocks = 0;
        int floor = 0;
        int offset = -1;
        const ColorBlock* open = nullptr;
    };
    mutable WholeBlockAnswer m_wholeBlockAnswer;

    // undo: records oldest first; m_posUndo counts the records in effect, so
    // Undo takes m_posUndo - 1 and Redo takes m_posUndo; m_posSaved is the
    // position of the last save, -1 once its records were dropped
    std::vector<std::unique_ptr<CUndoRecord>> m_lstUndo;
    int m_posUndo = 0;
    int m_posSaved = 0;
    int m_nLastAction = 0;
    bool m_bNoUndoMerge = false;
    bool m_bLastWasUndo = true;

    MarkerList m_lstMarkers;

    void OnUrlPrefixesReset() override
    {
        m_arrLinks.clear();
        m_nHotLink = m_nCaretLink = -1;
    }

    struct PrintSaved {
        IEditSink* sink = nullptr;
        IEditMeasurer* measurer = nullptr;
        EcRect text;
        int firstLine = 0, firstLineOffset = 0, hiddenAbove = 0, firstColumn = 0;
        bool active = false;
    } m_printSaved;
    std::vector<EcLink> m_arrLinks;
    std::vector<std::string> m_lstVariables;

    static bool s_bOverwrite;
};
