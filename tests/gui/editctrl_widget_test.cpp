// The edit control's window under a display: keys, mouse, wheel, painting,
// printing and the clipboard.
#include "editor/editctrl/EditCtrl.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <memory>
#include <set>
#include <vector>
#include <string>

namespace {

class WidgetFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctrl.SetOverwrite(false);
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(other);
        widget = new CEditCtrlWidget(ctrl, window.get());
        layout->addWidget(widget);
        QFont font("DejaVu Sans Mono");
        font.setPixelSize(13);
        widget->SetEditFont(font);
        ctrl.m_crText = 0x000000;
        ctrl.m_crBack = 0xFFFFFF;
        window->resize(480, 360);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        widget->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override { window.reset(); }

    void SetText(const std::string& text, int caret = 0)
    {
        ctrl.SetWindowText(text);
        ctrl.SetCaretOffset(caret, true, true);
        ctrl.SetWantedColumn();
    }
    QImage Grab()
    {
        widget->viewport()->repaint();
        return widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QPoint CharPoint(int column, int line) const
    {
        return {ctrl.GetTextRect().left + column * ctrl.GetCharWidth() + 2,
                line * ctrl.GetLineHeight() + ctrl.GetLineHeight() / 2};
    }
    static std::string Lines(int n)
    {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "line " + std::to_string(i) + "\n";
        return text;
    }
    // a left press on the first line, then the mouse below the window: the
    // selection follows it by auto-scrolling
    QPoint StartDragBelow()
    {
        widget->SetMouseButtons([] { return Qt::MouseButtons(Qt::LeftButton); });
        QTest::mousePress(widget->viewport(), Qt::LeftButton, Qt::NoModifier, CharPoint(0, 0));
        const QPoint below(60, widget->viewport()->height() + 20);
        widget->SetCursorPosition([below] { return below; });
        QMouseEvent move(QEvent::MouseMove, below, widget->viewport()->mapToGlobal(below), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget->viewport(), &move);
        EXPECT_TRUE(widget->AutoScrolling());
        return below;
    }
    void Wheel(int delta)
    {
        const QPointF at(50, 50);
        QWheelEvent e(at, widget->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget->viewport(), &e);
    }

    CEditCtrl ctrl;
    std::unique_ptr<QWidget> window;
    QLineEdit* other = nullptr;
    CEditCtrlWidget* widget = nullptr;
};

} // namespace

TEST_F(WidgetFixture, KeysThroughTheKeyTable)
{
    SetText("    abc def", 6);
    QTest::keyClick(widget, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(widget, Qt::Key_Home, Qt::ShiftModifier);
    int a, b;
    ctrl.GetSelection(a, b);
    EXPECT_EQ(std::min(a, b), 4);
    EXPECT_EQ(std::max(a, b), 6);

    SetText("abc\ndefgh\nij", 5);
    ctrl.SelectRange(5, 8);
    QTest::keyClick(widget, Qt::Key_Left);
    EXPECT_EQ(ctrl.GetCaret(), 5);
    ctrl.SelectRange(5, 8);
    QTest::keyClick(widget, Qt::Key_Up);
    EXPECT_EQ(ctrl.GetCaretLine(), 0);

    // keypad Enter is Return; typed text arrives as bytes of the code page
    SetText("", 0);
    QTest::keyClicks(widget, "ab");
    QTest::keyClick(widget, Qt::Key_Enter, Qt::KeypadModifier);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xE9)));
    QApplication::sendEvent(widget, &press);
    EXPECT_EQ(ctrl.GetText(), "ab\n\xE9");
}

TEST_F(WidgetFixture, TabAndEscStayInTheControl)
{
    SetText("ab", 1);
    ctrl.SelectRange(0, 1);
    QTest::keyClick(widget, Qt::Key_Escape);
    EXPECT_EQ(window->focusWidget(), widget);
    EXPECT_FALSE(ctrl.HasSelection());
    QTest::keyClick(widget, Qt::Key_Tab);
    EXPECT_EQ(window->focusWidget(), widget);
    EXPECT_EQ(ctrl.GetText(), "a\tb");
    QTest::keyClick(widget, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(window->focusWidget(), widget);
    EXPECT_EQ(ctrl.GetCaret(), 1); // Shift+Tab steps back over the tab
}

TEST_F(WidgetFixture, BackspaceAtStartWithSelection)
{
    SetText("abcdef", 0);
    ctrl.SelectRange(0, 3, true);
    QTest::keyClick(widget, Qt::Key_Backspace);
    EXPECT_EQ(ctrl.GetText(), "def");
    EXPECT_EQ(ctrl.GetCaret(), 0);
}

TEST_F(WidgetFixture, WheelScrollsLinesOnlyWhenNeeded)
{
    SetText("one\ntwo");
    Wheel(-360);
    EXPECT_EQ(ctrl.GetFirstLine(), 0);
    SetText(Lines(200));
    Wheel(-360);
    EXPECT_EQ(ctrl.GetFirstLine(), 3);
    // touchpad steps add up
    Wheel(-60);
    EXPECT_EQ(ctrl.GetFirstLine(), 3);
    Wheel(-60);
    EXPECT_EQ(ctrl.GetFirstLine(), 4);
    Wheel(120);
    EXPECT_EQ(ctrl.GetFirstLine(), 3);
    EXPECT_EQ(widget->verticalScrollBar()->value(), 3);
}

TEST_F(WidgetFixture, ScrollBarsFollowTheCoreAndDriveIt)
{
    SetText("short");
    EXPECT_EQ(widget->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    SetText(Lines(200));
    EXPECT_EQ(widget->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(widget->verticalScrollBar()->maximum(), 199);
    widget->verticalScrollBar()->setValue(50);
    EXPECT_EQ(ctrl.GetFirstLine(), 50);
}

TEST_F(WidgetFixture, DoubleClickOnTwoBlanksSelectsBoth)
{
    SetText("ab  cd");
    QTest::mouseDClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, CharPoint(3, 0));
    int a, b;
    ctrl.GetSelection(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 4);
}

TEST_F(WidgetFixture, ClickPlacesCaretAndDragBelowAutoScrolls)
{
    SetText(Lines(200));
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, CharPoint(2, 1));
    EXPECT_EQ(ctrl.GetCaret(), int(Lines(1).size()) + 2);

    SetText(Lines(200), 0);
    const QPoint below = StartDragBelow();
    const int first = ctrl.GetFirstLine();
    // a line a tick (about every 100 ms)
    EXPECT_TRUE(QTest::qWaitFor([&] { return ctrl.GetFirstLine() >= first + 2; }, 5000));
    QTest::mouseRelease(widget->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_FALSE(widget->AutoScrolling());
    int a, b;
    ctrl.GetSelection(a, b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, ctrl.GetCaret());
    EXPECT_GT(b, 0);
}

TEST_F(WidgetFixture, ALostReleaseOrTheFocusGoingEndsTheDragSelect)
{
    for (bool focusGoes : {false, true}) {
        SCOPED_TRACE(focusGoes ? "focus goes" : "release lost");
        SetText(Lines(200), 0);
        widget->setFocus();
        StartDragBelow();
        const int first = ctrl.GetFirstLine();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ctrl.GetFirstLine() > first; }, 5000));
        if (focusGoes) {
            // a modal box or another window takes the keyboard (sent as the
            // window system delivers it: other programs on the display may
            // hold the activation, so asking for the focus is not certain)
            QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(widget, &out);
        } else {
            // the button came up while another window held the grab
            widget->SetMouseButtons([] { return Qt::MouseButtons(Qt::NoButton); });
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !widget->AutoScrolling(); }, 5000));
        // no tick and no move extends the selection any more
        const int top = ctrl.GetFirstLine(), caret = ctrl.GetCaret();
        QTest::qWait(3 * int(ctrl.m_nAutoScrollInterval));
        const QPoint back = CharPoint(1, 2);
        QMouseEvent move(QEvent::MouseMove, back, widget->viewport()->mapToGlobal(back), Qt::NoButton,
                         focusGoes ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget->viewport(), &move);
        EXPECT_EQ(ctrl.GetFirstLine(), top);
        EXPECT_EQ(ctrl.GetCaret(), caret);
        widget->SetMouseButtons([] { return Qt::MouseButtons(Qt::LeftButton); });
    }
}

TEST_F(WidgetFixture, BreakpointIsRedAndYellowWhenActive)
{
    SetText("a\nb\nc");
    ctrl.ToggleMarker(1, CEditMarker::kBreakpoint);
    const int lh = ctrl.GetLineHeight();
    const QPoint centre(ctrl.m_nMarkerMarginWidth / 2, lh + lh / 2);
    EXPECT_EQ(QColor(Grab().pixel(centre)), QColor(255, 0, 0));
    CEditMarker* marker = nullptr;
    ctrl.FindMarker(1, &marker, CEditMarker::kBreakpoint);
    ASSERT_NE(marker, nullptr);
    marker->SetActive(1);
    EXPECT_EQ(QColor(Grab().pixel(centre)), QColor(255, 255, 0));
    EXPECT_EQ(QColor(Grab().pixel(centre.x(), lh / 2)), QColor(Grab().pixel(2, lh / 2))); // no marker on line 0
}

TEST_F(WidgetFixture, LineNumberTooWideIsNotDrawn)
{
    SetText(Lines(12));
    const int digit = QFontMetrics(widget->EditFont()).horizontalAdvance('9');
    ctrl.ShowLineNumbers(true, digit + 5); // one digit fits, two do not
    const QImage img = Grab();
    const int left = ctrl.m_nMarkerMarginWidth, right = left + ctrl.m_nLineNumberWidth - 3;
    auto inked = [&](int line) {
        const int lh = ctrl.GetLineHeight();
        int n = 0;
        for (int y = line * lh; y < (line + 1) * lh; ++y)
            for (int x = left; x < right; ++x)
                if (qRed(img.pixel(x, y)) < 250)
                    ++n;
        return n;
    };
    EXPECT_GT(inked(8), 0);  // "9"
    EXPECT_EQ(inked(9), 0);  // "10" left out, not cut
}

TEST_F(WidgetFixture, LuaSettingsColourAKeyword)
{
    ASSERT_TRUE(ctrl.LoadSettings(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml"));
    ctrl.m_crText = 0x000000;
    ctrl.m_crBack = 0xFFFFFF;
    SetText("while x");
    const QImage img = Grab();
    const int lh = ctrl.GetLineHeight();
    auto count = [&](int x0, int x1, auto pred) {
        int n = 0;
        for (int y = 0; y < lh; ++y)
            for (int x = x0; x < x1; ++x)
                if (pred(QColor(img.pixel(x, y))))
                    ++n;
        return n;
    };
    const int cw = ctrl.GetCharWidth(), left = ctrl.GetTextRect().left + 1;
    auto blue = [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; };
    EXPECT_GT(count(left, left + 5 * cw, blue), 5);          // "while" in the keyword colour
    EXPECT_EQ(count(left + 6 * cw, left + 7 * cw, blue), 0); // "x" is not
}

TEST_F(WidgetFixture, PartialRepaintDrawsTextWhereAFullOneDoes)
{
    SetText("local value = 12 -- note\nreturn value");
    const QSize size = widget->viewport()->size();
    QImage full(size, QImage::Format_RGB32), part(size, QImage::Format_RGB32);
    full.fill(Qt::white);
    part.fill(Qt::white);
    EditPaintFonts fonts{widget->EditFont(), widget->EditFont(), QFontMetrics(widget->EditFont()).ascent(), {}};
    {
        QPainter p(&full);
        PaintEditCtrl(ctrl, p, QRect(QPoint(0, 0), size), fonts);
    }
    const QRect right(ctrl.GetTextRect().left + 50, 0, 100, ctrl.GetLineHeight() * 2);
    {
        QPainter p(&part);
        PaintEditCtrl(ctrl, p, right, fonts);
    }
    EXPECT_EQ(full.copy(right), part.copy(right));
}

TEST_F(WidgetFixture, ShortTextPrintsOnePdfPage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto pages = [&](const std::string& text) {
        SetText(text);
        const QString path = dir.filePath("out.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        const int printed = widget->PrintTo(printer);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GT(f.size(), 0);
        return printed;
    };
    const int top = ctrl.GetFirstLine();
    EXPECT_EQ(pages("print me\nsecond line"), 1);
    EXPECT_GT(pages(Lines(400)), 1);
    // the screen layout is back
    EXPECT_EQ(ctrl.GetFirstLine(), top);
    EXPECT_EQ(ctrl.GetTextRect().right, widget->viewport()->width());
}

namespace {

// A printer whose painter calls are recorded: the baselines of the text drawn
// on each page.
class TextRecorder : public QPaintEngine {
public:
    TextRecorder() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem&) override { pages.back().insert(qRound(p.y())); }
    Type type() const override { return QPaintEngine::User; }
    std::vector<std::set<int>> pages{1};
};

class RecordingPrinter : public QPrinter {
public:
    RecordingPrinter() : QPrinter(QPrinter::HighResolution) {}
    QPaintEngine* paintEngine() const override { return &recorder; }
    bool newPage() override
    {
        recorder.pages.emplace_back();
        return true;
    }
    mutable TextRecorder recorder;
};

} // namespace

TEST_F(WidgetFixture, APrintedPageHoldsWholeLinesOnly)
{
    const int lines = 150;
    SetText(Lines(lines));
    for (int height : {800, 813, 829}) { // page heights in points: page breaks at different slices of a line
        SCOPED_TRACE(height);
        RecordingPrinter printer;
        printer.setPageSize(QPageSize(QSizeF(595, height), QPageSize::Point));
        const int printed = widget->PrintTo(printer);
        ASSERT_GT(printed, 1);
        ASSERT_EQ(int(printer.recorder.pages.size()), printed);
        // every line on one page only: a page's last line is not drawn again,
        // cut, at the foot of the page before
        size_t drawn = 0;
        for (const auto& page : printer.recorder.pages)
            drawn += page.size();
        EXPECT_EQ(drawn, size_t(lines));
        for (size_t i = 0; i + 1 < printer.recorder.pages.size(); ++i)
            EXPECT_EQ(printer.recorder.pages[i].size(), printer.recorder.pages[0].size()) << "page " << i + 1;
    }
}

TEST_F(WidgetFixture, ClipboardRoundTripKeepsANonAsciiByte)
{
    SetText("caf\xE9 ok");
    ctrl.SelectRange(0, 4);
    ASSERT_TRUE(ctrl.Copy());
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("caf\xC3\xA9"));
    ctrl.SetCaretOffset(ctrl.GetTextLength(), false, false);
    ctrl.CancelSelection(false, true, false);
    ASSERT_TRUE(ctrl.Paste());
    EXPECT_EQ(ctrl.GetText(), "caf\xE9 ok" "caf\xE9");
}

TEST_F(WidgetFixture, FocusPlacesTheCaretOnItsOffset)
{
    SetText("abc\ndef", 5);
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(widget, &out);
    EXPECT_FALSE(ctrl.m_bHasFocus); // the unfocused selection colours
    ctrl.SetCaretOffset(2, false, false);
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(widget, &in);
    EXPECT_TRUE(ctrl.m_bHasFocus);
    EXPECT_EQ(ctrl.GetCaret(), 2); // not the offset kept when the focus went
    EcPoint expected;
    ctrl.PointFromOffset(2, expected);
    EXPECT_EQ(ctrl.GetCaretPoint(), expected);
}

TEST_F(WidgetFixture, ClickOnSelectionWithoutDragDropsIt)
{
    SetText("abcdef ghi");
    ctrl.SelectRange(0, 6);
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, CharPoint(2, 0));
    EXPECT_FALSE(ctrl.HasSelection());
    EXPECT_EQ(ctrl.GetCaret(), 2);
}

TEST_F(WidgetFixture, ToolTipShowsTheWordOrVariable)
{
    SetText("count + other");
    widget->ActivateToolTip(true);
    ctrl.SetVariableList({"count=3 number"});
    auto tipAt = [&](QPoint p) {
        QHelpEvent help(QEvent::ToolTip, p, widget->viewport()->mapToGlobal(p));
        QApplication::sendEvent(widget->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tipAt(CharPoint(1, 0)).contains("count = 3 number"));
    EXPECT_TRUE(tipAt(CharPoint(9, 0)).contains("other"));
    auto hidden = [] { return QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000); };
    tipAt(CharPoint(5, 0)); // a blank: no tip
    EXPECT_TRUE(hidden());
    widget->ActivateToolTip(false);
    tipAt(CharPoint(1, 0));
    EXPECT_TRUE(hidden());
}

namespace {
class LinkRecorder : public CEditCtrl {
public:
    void OpenHyperlink(int start, const std::string& link) override
    {
        opened = link;
        openedAt = start;
    }
    std::string opened;
    int openedAt = -1;
};
} // namespace

TEST(EditCtrlWidgetLinks, CtrlClickOpensTheLinkUnderTheMouse)
{
    LinkRecorder ctrl;
    CEditCtrlWidget widget(ctrl);
    widget.resize(400, 200);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    ctrl.m_bHyperlinks = true;
    ctrl.SetWindowText("see http://a.b/c.");
    widget.viewport()->repaint(); // a paint finds the links
    ASSERT_EQ(ctrl.Links().size(), 1u);
    const QPoint onLink(ctrl.GetTextRect().left + 6 * ctrl.GetCharWidth() + 2, ctrl.GetLineHeight() / 2);
    QTest::mouseMove(widget.viewport(), onLink);
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, Qt::NoModifier, onLink);
    EXPECT_TRUE(ctrl.opened.empty()); // a plain click places the caret
    QTest::mouseMove(widget.viewport(), onLink);
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, Qt::ControlModifier, onLink);
    EXPECT_EQ(ctrl.opened, "http://a.b/c");
    EXPECT_EQ(ctrl.openedAt, 4);
}

TEST(EditCtrlWidgetLife, ControlOutlivesItsWindow)
{
    CEditCtrl ctrl;
    {
        CEditCtrlWidget widget(ctrl);
        widget.show();
        ctrl.SetWindowText("abc");
    }
    EXPECT_FALSE(ctrl.HasWindow());
    ctrl.SetWindowText("after\nthe window"); // nothing reaches the gone window
    ctrl.SetCaretOffset(3, true, true);
    EXPECT_EQ(ctrl.GetText(), "after\nthe window");
}

// Characters sit in the cells the caret and the mouse use, whether the line is
// drawn as one run or cut into coloured runs.
TEST_F(WidgetFixture, CharactersStayInTheirCellsAcrossColourRuns)
{
    const std::string lines[] = {
        "s = \"open the gate and wait for it\" then y",
        "if every then y",
        "t = \"a\tb\" .. every\ty",
    };
    const int lh = ctrl.GetLineHeight(), cw = ctrl.GetCharWidth();
    // the leftmost inked column in the cell before and the cell of the offset
    auto leftInk = [&](const QImage& img, int cellLeft) {
        for (int x = cellLeft - cw; x < cellLeft + cw; ++x)
            for (int y = 0; y < lh; ++y)
                if (qGray(img.pixel(x, y)) < 160)
                    return x;
        return -1;
    };
    for (const std::string& line : lines) {
        const int last = int(line.size()) - 1; // the final "y"
        ctrl.ClearSettings(); // no colouring: the line is one run
        SetText(line);
        EcPoint at;
        ASSERT_TRUE(ctrl.PointFromOffset(last, at));
        const int plain = leftInk(Grab(), at.x);
        ASSERT_TRUE(ctrl.LoadSettings(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml"));
        ctrl.m_crText = 0x000000;
        ctrl.m_crBack = 0xFFFFFF;
        SetText(line);
        ASSERT_TRUE(ctrl.PointFromOffset(last, at));
        const int coloured = leftInk(Grab(), at.x);
        EXPECT_GE(plain, at.x) << line;
        EXPECT_LT(plain, at.x + cw) << line;
        EXPECT_EQ(coloured, plain) << line;
    }
}
