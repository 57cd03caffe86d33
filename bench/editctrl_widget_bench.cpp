// The edit control's window shown under a display, on a 100 000-line Lua text:
// setting the text with its first paint, a keystroke in the middle with its
// repaint, and scrolling one page. With QScintilla installed, the same steps on
// a QsciScintilla with its Lua lexer, in the same run.
#include <benchmark/benchmark.h>

#include "editor/editctrl/EditCtrl.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#ifdef QM_HAVE_QSCINTILLA
#include <Qsci/qscilexerlua.h>
#include <Qsci/qsciscintilla.h>
#endif

#include <memory>
#include <string>

namespace {

constexpr int kLines = 100000;

const std::string& BigLua()
{
    static const std::string text = [] {
        std::string s;
        s.reserve(size_t(kLines) * 32);
        for (int i = 0; i < kLines / 8; ++i) {
            s += "-- step " + std::to_string(i) + "\n";
            s += "local function step" + std::to_string(i) + "(a, b)\n";
            s += "\tlocal sum = a + b -- the running sum\n";
            s += "\tif sum > 10 then\n";
            s += "\t\tPrint(\"value\", sum, 'x')\n";
            s += "\tend\n";
            s += "\treturn sum\n";
            s += "end\n";
        }
        return s;
    }();
    return text;
}

QFont BenchFont()
{
    QFont f("DejaVu Sans Mono");
    f.setPixelSize(13);
    return f;
}

struct Ours {
    CEditCtrl ctrl;
    std::unique_ptr<CEditCtrlWidget> widget;
    Ours()
    {
        widget = std::make_unique<CEditCtrlWidget>(ctrl);
        widget->SetEditFont(BenchFont());
        ctrl.LoadSettings(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml");
        widget->resize(800, 600);
        widget->show();
        QApplication::processEvents();
    }
    void SetText(const std::string& t) { ctrl.SetWindowText(t); }
    QWidget* Viewport() { return widget->viewport(); }
    QWidget* Focus() { return widget.get(); }
    QScrollBar* VBar() { return widget->verticalScrollBar(); }
    void CaretToMiddle()
    {
        ctrl.SetCaretOffset(int(BigLua().size() / 2), true, true);
        ctrl.SetWantedColumn();
    }
};

#ifdef QM_HAVE_QSCINTILLA
struct Scintilla {
    std::unique_ptr<QsciScintilla> widget;
    QsciLexerLua lexer;
    Scintilla()
    {
        widget = std::make_unique<QsciScintilla>();
        lexer.setDefaultFont(BenchFont());
        widget->setLexer(&lexer);
        widget->resize(800, 600);
        widget->show();
        QApplication::processEvents();
    }
    void SetText(const std::string& t) { widget->setText(QString::fromLatin1(t.data(), qsizetype(t.size()))); }
    QWidget* Viewport() { return widget->viewport(); }
    QWidget* Focus() { return widget.get(); }
    QScrollBar* VBar() { return widget->verticalScrollBar(); }
    void CaretToMiddle()
    {
        widget->setCursorPosition(kLines / 2, 4);
        widget->ensureCursorVisible();
    }
};
#endif

template <class W>
void SetTextAndPaint(benchmark::State& state)
{
    W w;
    for (auto _ : state) {
        w.SetText(BigLua());
        w.Viewport()->repaint();
    }
}

template <class W>
void KeystrokeInTheMiddle(benchmark::State& state)
{
    W w;
    w.SetText(BigLua());
    w.CaretToMiddle();
    w.Focus()->setFocus();
    w.Viewport()->repaint();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        QApplication::sendEvent(w.Focus(), &press);
        w.Viewport()->repaint();
    }
}

template <class W>
void ScrollOnePage(benchmark::State& state)
{
    W w;
    w.SetText(BigLua());
    w.Viewport()->repaint();
    // the layouts settle: QScintilla shows its vertical bar (and sets its page
    // step) only from the event loop, and a bar left hidden is never painted
    QApplication::processEvents();
    QScrollBar* bar = w.VBar();
    int step = bar->pageStep();
    bar->setValue(kLines / 2);
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() - step < 0)
            step = -step;
        bar->setValue(bar->value() + step);
        w.Viewport()->repaint();
    }
}

BENCHMARK(SetTextAndPaint<Ours>)->Name("SetTextAndPaint/EditCtrl")->Unit(benchmark::kMillisecond);
BENCHMARK(KeystrokeInTheMiddle<Ours>)->Name("KeystrokeInTheMiddle/EditCtrl")->Unit(benchmark::kMicrosecond);
BENCHMARK(ScrollOnePage<Ours>)->Name("ScrollOnePage/EditCtrl")->Unit(benchmark::kMicrosecond);
#ifdef QM_HAVE_QSCINTILLA
BENCHMARK(SetTextAndPaint<Scintilla>)->Name("SetTextAndPaint/QScintilla")->Unit(benchmark::kMillisecond);
BENCHMARK(KeystrokeInTheMiddle<Scintilla>)->Name("KeystrokeInTheMiddle/QScintilla")->Unit(benchmark::kMicrosecond);
BENCHMARK(ScrollOnePage<Scintilla>)->Name("ScrollOnePage/QScintilla")->Unit(benchmark::kMicrosecond);
#endif

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
