#pragma once
// A window-free edit control for tests: fixed-pitch font (8 x 15 px, line
// height 16), a 20 px marker margin and a text area of 80 columns x 20 lines.

#include "editor/editctrl/CodePage.h"
#include "editor/editctrl/EditCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace edtest {

constexpr int kCharW = 8;
constexpr int kLineH = 16;
constexpr int kLeft = 20; // marker margin

class FixedMeasurer : public IEditMeasurer
{
public:
    int FontHeight() const override { return 15; }
    int MaxCharWidth() const override { return kCharW; }
    int AveCharWidth() const override { return kCharW; }
    int CharWidth(unsigned char) const override { return kCharW; }
};

class RecordingSink : public IEditSink
{
public:
    void Invalidate(const EcRect& r) override
    {
        ++invalidations;
        rects.push_back(r);
    }
    void SetScrollBar(int bar, int max, int page, int pos) override
    {
        barMax[bar] = max;
        barPage[bar] = page;
        barPos[bar] = pos;
    }
    void SetScrollPos(int bar, int pos) override { barPos[bar] = pos; }
    void CreateCaret(int w, int, bool) override { caretWidth = w; }
    void DestroyCaret() override {}
    void ShowCaret(bool) override {}
    void SetCaretPos(EcPoint p) override { caret = p; }
    void EditChanged() override { ++changes; }

    int invalidations = 0;
    std::vector<EcRect> rects; // every repaint request, in order
    int changes = 0;
    int barMax[2] = {0, 0};
    int barPage[2] = {0, 0};
    int barPos[2] = {0, 0};
    int caretWidth = 0;
    EcPoint caret;
};

class FakeClipboard : public IEditClipboard
{
public:
    bool SetText(const std::string& bytes, bool column) override
    {
        if (fail)
            return false;
        text = bytes;
        columnFormat = column;
        has = true;
        return true;
    }
    bool HasText() const override { return has; }
    bool GetText(std::string& bytes, bool& column) const override
    {
        if (!has)
            return false;
        bytes = text;
        column = columnFormat;
        return true;
    }
    std::string text;
    bool has = false;
    bool columnFormat = false;
    bool fail = false;
};

// Records every refusal code.
class TestCtrl : public CEditCtrl
{
public:
    void OnError(unsigned code) override { errors.push_back(code); }
    int CanInsert(const std::string& text, int offset) override
    {
        return refuseInserts ? 0 : CEditCtrl::CanInsert(text, offset);
    }
    unsigned LastError() const { return errors.empty() ? 0u : errors.back(); }
    int FirstLineOffset() const { return m_nFirstLineOffset; }
    int LineCountMember() const { return m_nLineCount; }
    // the steps one Undo at a time would take back: runs of chained records
    int UndoSteps() const
    {
        int steps = 0;
        for (int i = 0; i < m_posUndo; ++i)
            if (!m_lstUndo[size_t(i)]->chain || i == m_posUndo - 1)
                ++steps;
        return steps;
    }
    std::vector<unsigned> errors;
    bool refuseInserts = false;
};

class EditFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ctrl.SetOverwrite(false);
        ctrl.Create(&sink, &measurer, EcRect{0, 0, kLeft + 80 * kCharW, 20 * kLineH});
        ctrl.SetClipboard(&clipboard);
    }
    void TearDown() override { ctrl.SetOverwrite(false); }

    void SetText(const std::string& text, int caret = 0)
    {
        ctrl.SetWindowText(text);
        ctrl.SetCaretOffset(caret, true, false);
        ctrl.SetWantedColumn();
        ctrl.errors.clear();
    }
    // types text as the keyboard would: a key down (virtual-key code), then the character
    void Type(const std::string& text)
    {
        for (char c : text) {
            unsigned vk = static_cast<unsigned char>(c);
            if (c >= 'a' && c <= 'z')
                vk = unsigned(c - 'a' + 'A');
            else if (c == '\n')
                vk = 13;
            else if (c == ';')
                vk = 186;
            ctrl.NoteKeyDown(vk);
            ctrl.InsertChar(c);
        }
    }
    const std::string& Text() const { return ctrl.GetText(); }
    static int NewlineCount(const std::string& s) { return int(std::count(s.begin(), s.end(), '\n')); }
    // client point of a column on a visible line
    static EcPoint At(int column, int line, int dx = 0) { return {kLeft + column * kCharW + dx, line * kLineH + 5}; }

    FixedMeasurer measurer;
    RecordingSink sink;
    FakeClipboard clipboard;
    TestCtrl ctrl;
};

} // namespace edtest
