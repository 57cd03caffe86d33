// The edit control's model and view core on Lua texts of 1 000, 10 000 and
// 100 000 lines. Local operations (typing, moving, one undo step) should not
// grow with the text beyond moving the bytes after the edit.
#include <benchmark/benchmark.h>

#include "editor/editctrl/EditCtrl.h"

#include <string>

namespace {

class Measurer : public IEditMeasurer
{
public:
    int FontHeight() const override { return 15; }
    int MaxCharWidth() const override { return 8; }
    int AveCharWidth() const override { return 8; }
    int CharWidth(unsigned char) const override { return 8; }
};

class Sink : public IEditSink
{
public:
    void Invalidate(const EcRect&) override {}
    void SetScrollBar(int, int, int, int) override {}
    void SetScrollPos(int, int) override {}
    void CreateCaret(int, int, bool) override {}
    void DestroyCaret() override {}
    void ShowCaret(bool) override {}
    void SetCaretPos(EcPoint) override {}
    void EditChanged() override {}
};

std::string LuaText(int lines)
{
    static const char* kBlock[] = {
        "local function step%d(a, b)\n",
        "\tlocal sum = a + b -- the running sum\n",
        "\tif sum > 10 then\n",
        "\t\tPrint(\"value\", sum, gSceneSz)\n",
        "\tend\n",
        "\treturn sum\n",
        "end\n",
        "\n",
    };
    std::string text;
    text.reserve(size_t(lines) * 24);
    for (int i = 0; i < lines; ++i) {
        std::string line = kBlock[i % 8];
        const size_t p = line.find("%d");
        if (p != std::string::npos)
            line.replace(p, 2, std::to_string(i / 8));
        text += line;
    }
    return text;
}

struct Editor
{
    explicit Editor(int lines)
    {
        ctrl.Create(&sink, &measurer, EcRect{0, 0, 820, 640});
        ctrl.SetWindowText(LuaText(lines));
    }
    int Middle() const { return ctrl.LineStartOf(ctrl.GetTextLength() / 2); }
    void Type(const char* word)
    {
        for (const char* c = word; *c; ++c) {
            ctrl.NoteKeyDown(*c == ' ' ? 32u : unsigned(*c & ~0x20));
            ctrl.InsertChar(*c, true);
        }
    }
    Measurer measurer;
    Sink sink;
    CEditCtrl ctrl;
};

void BM_SetText(benchmark::State& state)
{
    const std::string text = LuaText(int(state.range(0)));
    Editor ed(1);
    for (auto _ : state)
        ed.ctrl.SetWindowText(text);
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

// 1000 characters typed in the middle of the text; time per iteration / 1000 is
// the time of one keystroke
void BM_Type1000InTheMiddle(benchmark::State& state)
{
    Editor ed(int(state.range(0)));
    const std::string original = ed.ctrl.GetText();
    for (auto _ : state) {
        state.PauseTiming();
        ed.ctrl.SetWindowText(original);
        ed.ctrl.SetCaretOffset(ed.Middle(), true, false);
        state.ResumeTiming();
        for (int i = 0; i < 100; ++i)
            ed.Type("local ab ");
        ed.Type("0123456789");
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

// the memory move alone: 1000 bytes inserted one by one into the middle of a
// plain string of the same text (the floor of typing)
void BM_MemoryMoveBaseline(benchmark::State& state)
{
    const std::string original = LuaText(int(state.range(0)));
    std::string text;
    for (auto _ : state) {
        state.PauseTiming();
        text = original;
        state.ResumeTiming();
        for (size_t i = 0; i < 1000; ++i)
            text.insert(text.size() / 2, 1, 'a');
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_MoveDown1000(benchmark::State& state)
{
    Editor ed(int(state.range(0)));
    ed.ctrl.SetCaretOffset(ed.Middle() / 2, true, false);
    const int from = ed.ctrl.GetCaret();
    for (auto _ : state) {
        state.PauseTiming();
        ed.ctrl.SetCaretOffset(from, true, false);
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i)
            ed.ctrl.MoveLineDown(true, true);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_WordMovement(benchmark::State& state)
{
    Editor ed(int(state.range(0)));
    ed.ctrl.SetCaretOffset(ed.Middle(), true, false);
    for (auto _ : state) {
        ed.ctrl.MoveWordRight(true);
        ed.ctrl.MoveWordLeft(true);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

// undoing the 201 steps of 1000 typed characters, and one undo step alone
void BM_UndoAll(benchmark::State& state)
{
    Editor ed(int(state.range(0)));
    ed.ctrl.SetCaretOffset(ed.Middle(), true, false);
    int steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 100; ++i)
            ed.Type("local ab ");
        ed.Type("0123456789");
        state.ResumeTiming();
        steps = 0;
        while (ed.ctrl.CanUndo()) {
            ed.ctrl.Undo(true, true);
            ++steps;
        }
    }
    state.SetItemsProcessed(state.iterations() * steps);
    state.counters["steps"] = steps;
}

void BM_FindAllHits(benchmark::State& state)
{
    Editor ed(int(state.range(0)));
    int hits = 0;
    for (auto _ : state) {
        ed.ctrl.SetCaretOffset(0, true, false);
        hits = 0;
        for (int last = -1;; ++hits) {
            ed.ctrl.Find("sum", true, true, true);
            const int at = ed.ctrl.GetCaret();
            if (at <= last)
                break;
            last = at;
        }
    }
    state.counters["hits"] = hits;
}

// one repaint of the bottom page below many block starts ("--[[") that stand
// inside strings, so that the search for an open block skips each of them: the
// time must not grow with their number
void BM_RepaintBelowSkippedBlockStarts(benchmark::State& state)
{
    std::string text;
    for (int i = 0; i < state.range(0); ++i)
        text += "s = \"--[[\"\n";
    text += LuaText(100);
    Editor ed(1);
    ed.ctrl.AddBlock("--[[", "]]", true, 0x008000, kNoColor);
    ed.ctrl.AddBlock("\"", "\"", false, 0x800000, kNoColor);
    ed.ctrl.SetWindowText(text);
    ed.ctrl.SetCaretOffset(ed.ctrl.GetTextLength(), true, false);
    std::vector<EcPaintLine> lines;
    for (auto _ : state) {
        ed.ctrl.BuildPaintLines(0, 40, false, lines);
        benchmark::DoNotOptimize(lines.data());
    }
}

// A settings text with the Lua blocks and n more, each a start of three
// characters (base 36) that ends with its line or at "##"; many of the starts
// occur in the text.
std::string ManyBlocks(int n)
{
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s = "<COLOR_DATA><BLOCKS>"
                    "<BLOCK><Start>--[[</Start><End>]]</End><Color>008000</Color><WholeText>True</WholeText></BLOCK>"
                    "<BLOCK><Start>--</Start><Color>008000</Color></BLOCK>"
                    "<BLOCK><Start>\"</Start><End>\"</End><Color>800000</Color></BLOCK>";
    for (int i = 0; i < n; ++i) {
        const int v = 36 * 36 + i % (36 * 36 * 35);
        const std::string start{kDigits[v / (36 * 36) % 36], kDigits[v / 36 % 36], kDigits[v % 36]};
        s += "<BLOCK><Start>" + start + "</Start>" + (i % 2 ? "<End>##</End>" : "") + "<Color>0000FF</Color></BLOCK>";
    }
    return s + "</BLOCKS></COLOR_DATA>";
}

// One typed character in the middle of a 1 000-line text and the repaint of a
// page after it, with n colour blocks: should not grow with n.
void BM_KeyWithManyBlocks(benchmark::State& state)
{
    Editor ed(1000);
    ed.ctrl.ParseSettings(ManyBlocks(int(state.range(0))));
    ed.ctrl.SetCaretOffset(ed.Middle(), true, false);
    ed.ctrl.Scroll(1, 4, ed.ctrl.GetCaretLine());
    std::vector<EcPaintLine> lines;
    for (auto _ : state) {
        ed.ctrl.NoteKeyDown('A');
        ed.ctrl.OnChar('a');
        ed.ctrl.BuildPaintLines(0, 40, false, lines);
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["blocks"] = double(ed.ctrl.BlockCount());
}

} // namespace

BENCHMARK(BM_KeyWithManyBlocks)->Arg(0)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintBelowSkippedBlockStarts)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetText)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Type1000InTheMiddle)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryMoveBaseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveDown1000)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordMovement)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAllHits)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
