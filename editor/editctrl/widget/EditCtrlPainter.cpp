#include "editor/editctrl/widget/EditCtrlPainter.h"

#include "editor/editctrl/CodePage.h"
#include "editor/editctrl/EditCtrl.h"
#include "editor/editctrl/widget/QtEditImageList.h"
#include "platform/GdiCanvas.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <vector>

// Glyph indexes of the 256 code-page bytes in the text font; 0 where the font
// has none (that character is drawn as text, which finds a fallback font).
struct EditGlyphTable {
    QFont font;
    QRawFont raw;
    std::array<quint32, 256> index{};
};

namespace {


QColor ToQColor(COLORREF c) { return QColor(platform::GetR(c), platform::GetG(c), platform::GetB(c)); }

QString ToQString(std::string_view bytes)
{
    const std::u16string u = editctrl::BytesToUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(u.data()), qsizetype(u.size()));
}

platform::Rect ToRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

std::shared_ptr<const EditGlyphTable> MakeGlyphTable(const QFont& font)
{
    auto table = std::make_shared<EditGlyphTable>();
    table->font = font;
    table->raw = QRawFont::fromFont(font);
    if (!table->raw.isValid())
        return table;
    for (int b = 33; b < 256; ++b) {
        const char byte = char(b);
        const QString one = ToQString(std::string_view(&byte, 1));
        const QList<quint32> found = table->raw.glyphIndexesForString(one);
        if (one.size() == 1 && found.size() == 1)
            table->index[size_t(b)] = found[0];
    }
    return table;
}

// Draws the characters i .. j (no tab) from x, each at its measured cell: the
// font's own advances are fractional and would drift from the caret's cells
// along a run. With a glyph table the run is one glyph run; a character the
// font lacks, and every character without a table, is drawn as text.
void DrawChars(CEditCtrl& ctrl, QPainter& p, const std::string& text, int i, int j, int x, int baseline,
               const EditGlyphTable* glyphs)
{
    QList<quint32> indexes;
    QList<QPointF> positions;
    int cell = x;
    for (int k = i; k < j; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[size_t(k)]);
        if (c != ' ') {
            const quint32 g = glyphs ? glyphs->index[c] : 0;
            if (g) {
                indexes.push_back(g);
                positions.push_back(QPointF(cell, baseline));
            } else {
                p.drawText(cell, baseline, ToQString(std::string_view(text).substr(size_t(k), 1)));
            }
        }
        cell += ctrl.GetTabbedTextExtent(text.data() + k, 1);
    }
    if (indexes.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(glyphs->raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    p.drawGlyphRun(QPointF(0, 0), run);
}

// Draws one run from x; tabs stop at multiples of the tab stop from the line's
// origin. Returns the x after it. A back colour equal to `filled` is there
// already and is not painted again.
int DrawRun(CEditCtrl& ctrl, QPainter& p, const std::string& text, const EcColorRun& run, int x, int origin, int top,
            const EditPaintFonts& fonts, COLORREF filled)
{
    const int lineHeight = ctrl.GetLineHeight();
    const int tabStop = ctrl.GetTabStop();
    const int baseline = top + ctrl.m_nLineSpacing / 2 + fonts.ascent;
    const bool fill = run.crBack != filled;
    const EditGlyphTable* glyphs = fonts.glyphs && fonts.glyphs->raw.isValid() ? fonts.glyphs.get() : nullptr;
    // a link's underline is drawn whole under its cells, not glyph by glyph
    p.setFont(fonts.text);
    p.setPen(ToQColor(run.crText));
    int i = run.start;
    while (i < run.end) {
        if (text[size_t(i)] == '\t') {
            const int rel = x - origin;
            const int next = tabStop > 0 ? (rel / tabStop + 1) * tabStop : rel + ctrl.GetTabbedTextExtent(" ", 1);
            if (fill)
                p.fillRect(QRect(x, top, origin + next - x, lineHeight), ToQColor(run.crBack));
            x = origin + next;
            ++i;
            continue;
        }
        int j = i;
        while (j < run.end && text[size_t(j)] != '\t')
            ++j;
        const int w = ctrl.GetTabbedTextExtent(text.data() + i, j - i);
        if (fill)
            p.fillRect(QRect(x, top, w, lineHeight), ToQColor(run.crBack));
        DrawChars(ctrl, p, text, i, j, x, baseline, glyphs);
        if (run.link) {
            const QFontMetrics fm(fonts.link, p.device());
            p.fillRect(QRect(x, baseline + fm.underlinePos(), w, std::max(1, fm.lineWidth())), ToQColor(run.crText));
        }
        x += w;
        i = j;
    }
    return x;
}

// A special sequence: its image's cell, drawn by the control's hook or from
// the image list. Returns the x after it.
int DrawSequence(CEditCtrl& ctrl, QPainter& p, const EcColorRun& run, int x, int top)
{
    const SequenceInfo& seq = *run.sequence;
    const int w = ctrl.SequenceWidth(seq);
    const EcRect cell{x, top, x + w, top + ctrl.GetLineHeight()};
    if (run.crBack != ctrl.DefaultBackColor())
        p.fillRect(QRect(x, top, w, cell.Height()), ToQColor(run.crBack));
    platform::GdiCanvas canvas(p);
    if (!ctrl.OnDrawSequence(canvas, cell, seq))
        if (auto* images = dynamic_cast<const CQtEditImageList*>(ctrl.GetImageList()))
            images->Draw(p, seq.image, x, top);
    return x + w;
}

void DrawMarkerMargin(CEditCtrl& ctrl, QPainter& p)
{
    const EcRect& rc = ctrl.GetClientRect();
    const int lh = ctrl.GetLineHeight();
    platform::GdiCanvas canvas(p);
    canvas.FillRect({rc.left, rc.top, rc.left + ctrl.m_nMarkerMarginWidth, rc.bottom},
                    platform::GetSysColor(platform::COLOR_3DLIGHT));
    if (lh <= 0)
        return;
    const int first = ctrl.GetFirstLine();
    const int last = first + ctrl.GetTextRect().Height() / lh + 1;
    std::vector<const CEditMarker*> markers;
    for (const auto& m : ctrl.Markers())
        if (m->m_nType & CEditMarker::kBreakpoint)
            markers.push_back(m.get());
    std::stable_sort(markers.begin(), markers.end(),
                     [](const CEditMarker* a, const CEditMarker* b) { return a->m_nPriority < b->m_nPriority; });
    const int trim = (ctrl.m_nLineSpacing + 1) / 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const CEditMarker* m : markers) {
        const int vis = ctrl.VisibleLineFromLine(m->m_nLine);
        if (vis < first || vis > last)
            continue;
        const int top = (vis - first) * lh + ctrl.GetTextRect().top;
        const QRect cell(rc.left + 3, top + trim, ctrl.m_nMarkerMarginWidth - 6, lh - 2 * trim);
        p.setPen(Qt::black);
        p.setBrush(QColor(255, 0, 0));
        p.drawRoundedRect(cell.adjusted(0, 0, -1, -1), 5.5, 5.5);
        if (m->m_bActive)
            p.fillRect(cell.adjusted(3, 4, -3, -4), QColor(255, 255, 0));
    }
    p.restore();
}

void DrawLineNumberMargin(CEditCtrl& ctrl, QPainter& p, const std::vector<EcPaintLine>& lines, const EditPaintFonts& fonts)
{
    const EcRect& rc = ctrl.GetClientRect();
    const int left = rc.left + ctrl.m_nMarkerMarginWidth;
    const int right = left + ctrl.m_nLineNumberWidth;
    const int lh = ctrl.GetLineHeight();
    platform::GdiCanvas canvas(p);
    canvas.FillRect({left, rc.top, right, rc.bottom}, ctrl.DefaultBackColor());
    const QColor grey(196, 196, 196);
    for (int y = rc.top; y < rc.bottom; y += 2)
        p.fillRect(QRect(right - 2, y, 1, 1), grey);
    const int trim = (ctrl.m_nLineSpacing + 1) / 2;
    QFontMetrics fm(fonts.text, p.device());
    p.setFont(fonts.text);
    p.setPen(grey);
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString number = QString::number(lines[i].line + 1);
        const QRect cell(left, ctrl.GetTextRect().top + int(i) * lh + trim, right - 3 - left, lh - 2 * trim);
        if (fm.horizontalAdvance(number) > cell.width())
            continue; // a number that does not fit is left out, not cut
        p.drawText(cell, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, number);
    }
}

void DrawOutlineBox(QPainter& p, const QRect& cell, const COutlineNode* node, bool above, bool below, bool endTick)
{
    const QColor grey(128, 128, 128);
    const int cx = cell.left() + cell.width() / 2, cy = cell.top() + cell.height() / 2;
    p.setPen(grey);
    if (node) {
        p.fillRect(QRect(cx - 4, cy - 4, 9, 9), Qt::white);
        p.drawRect(QRect(cx - 4, cy - 4, 8, 8));
        p.drawLine(cx - 2, cy, cx + 2, cy);
        if (node->m_bCollapsed)
            p.drawLine(cx, cy - 2, cx, cy + 2);
        if (above)
            p.drawLine(cx, cell.top(), cx, cy - 4);
    } else {
        if (above)
            p.drawLine(cx, cell.top(), cx, cy - 1);
        if (endTick)
            p.drawLine(cx, cy, cx + 4, cy);
    }
    if (below)
        p.drawLine(cx, cell.bottom(), cx, node ? cy + 5 : cy);
}

void DrawOutlineMargin(CEditCtrl& ctrl, QPainter& p, const std::vector<EcPaintLine>& lines)
{
    const EcRect& rc = ctrl.GetClientRect();
    const int left = rc.left + ctrl.m_nMarkerMarginWidth + (ctrl.m_bShowLineNumbers ? ctrl.m_nLineNumberWidth : 0);
    const int right = left + ctrl.m_nOutlineMarginWidth;
    platform::GdiCanvas canvas(p);
    canvas.FillRect({left, rc.top, right, rc.bottom}, ctrl.DefaultBackColor());
    if (!ctrl.m_bOutlining || ctrl.m_OutlineRoot.Children().empty() || lines.empty())
        return;
    const int lh = ctrl.GetLineHeight();
    const int textEnd = ctrl.GetTextLength();
    std::vector<COutlineNode*> nodes;
    ctrl.m_OutlineRoot.CollectInRange(lines.front().start, textEnd, nodes);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int start = lines[i].start;
        const int end = i + 1 < lines.size() ? lines[i + 1].start - 1 : ctrl.TrueLineEnd(start, true);
        const COutlineNode* starting = nullptr;
        bool above = false, below = false, tick = false;
        for (const COutlineNode* n : nodes) {
            const int s = n->HeaderStart() >= 0 ? n->HeaderStart() : n->m_nStart;
            if (s >= start && s <= end) {
                if (!starting)
                    starting = n;
                if (!n->m_bCollapsed && n->m_nEnd > end)
                    below = true;
            } else if (s < start && n->m_nEnd >= start) {
                above = true;
                if (n->m_nEnd <= end)
                    tick = true;
                else
                    below = true;
            }
        }
        const QRect cell(left, ctrl.GetTextRect().top + int(i) * lh, ctrl.m_nOutlineMarginWidth, lh);
        DrawOutlineBox(p, cell, starting, above && starting ? true : above, below, tick);
    }
}

} // namespace

namespace {

// `filled`: the back colour the area was filled with (kNoColor: none)
void DrawLines(CEditCtrl& ctrl, QPainter& p, const QRect& area, const std::vector<EcPaintLine>& lines,
               const EditPaintFonts& fonts, bool printing, COLORREF filled)
{
    const EcRect& rt = ctrl.GetTextRect();
    const int lh = ctrl.GetLineHeight();
    const std::string& text = ctrl.GetText();
    // every line starts at the text area's left edge, whatever part is repainted
    const int origin = rt.left + 1 - ctrl.GetFirstColumn() * ctrl.GetCharWidth();
    const QRect textRect(rt.left, rt.top, rt.Width(), rt.Height());
    p.save();
    p.setClipRect(printing ? textRect : area.intersected(textRect));
    QFontMetrics fm(fonts.text, p.device());
    for (size_t i = 0; i < lines.size(); ++i) {
        const int top = rt.top + int(i) * lh;
        if (top + lh < area.top())
            continue;
        const EcPaintLine& line = lines[i];
        int x = origin;
        for (const EcColorRun& run : line.runs) {
            if (run.kind == EcColorRun::kCollapsed) {
                const QString label = ToQString(run.placeholder);
                const int w = fm.horizontalAdvance(label) + 2;
                const QRect box(x, top, w, lh);
                if (run.crBack != ctrl.DefaultBackColor())
                    p.fillRect(box, ToQColor(run.crBack));
                p.setPen(QColor(128, 128, 128));
                p.setBrush(printing ? QBrush(Qt::NoBrush) : QBrush(ToQColor(run.crBack)));
                p.drawRect(box.adjusted(0, 0, -1, 0));
                p.setBrush(Qt::NoBrush);
                p.setFont(fonts.text);
                p.drawText(box.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
                if (COutlineNode* node = ctrl.FindCollapsedNodeAt(run.start))
                    node->m_rcBox = {box.left(), box.top(), box.right() + 1, box.bottom() + 1};
                x += w;
                continue;
            }
            if (run.kind == EcColorRun::kSequence) {
                x = DrawSequence(ctrl, p, run, x, top);
                continue;
            }
            x = DrawRun(ctrl, p, text, run, x, origin, top, fonts, filled);
        }
        if (line.endCell) {
            const int w = ctrl.GetTabbedTextExtent(" ", 1);
            p.fillRect(QRect(x, top, w, lh), ToQColor(line.endBack));
            x += w;
        }
        if (line.fill && x < rt.right)
            p.fillRect(QRect(x, top, rt.right - x, lh), ToQColor(line.fillBack));
    }
    p.restore();
}

} // namespace

void PaintEditText(CEditCtrl& ctrl, QPainter& p, const QRect& clip, const EditPaintFonts& fonts, bool printing)
{
    const EcRect& rt = ctrl.GetTextRect();
    const int lh = ctrl.GetLineHeight();
    QRect area = printing ? QRect(rt.left, rt.top, rt.Width(), rt.Height())
                          : clip.intersected(QRect(rt.left + 1, rt.top, rt.Width() - 1, rt.Height()));
    if (area.isEmpty() || lh <= 0 || ctrl.GetTextLength() == 0)
        return;
    area.adjust(-1, -1, 1, 1);
    // a printed page holds whole lines only: the next page starts with the
    // line that would be cut here
    const int last = printing ? rt.Height() / lh - 1 : (area.bottom() - rt.top) / lh;
    std::vector<EcPaintLine> lines;
    ctrl.BuildPaintLines(0, std::max(0, last), printing, lines);
    DrawLines(ctrl, p, area, lines, fonts, printing, kNoColor);
}

void PaintEditCtrl(CEditCtrl& ctrl, QPainter& p, const QRect& clip, const EditPaintFonts& fonts)
{
    const EcRect& rt = ctrl.GetTextRect();
    const EcRect& rc = ctrl.GetClientRect();
    const int lh = ctrl.GetLineHeight();
    platform::GdiCanvas canvas(p);
    canvas.FillRect(ToRect(clip.intersected(QRect(rt.left, rt.top, rt.Width(), rc.Height()))), ctrl.DefaultBackColor());
    DrawMarkerMargin(ctrl, p);
    std::vector<EcPaintLine> lines;
    if (lh > 0)
        ctrl.BuildPaintLines(0, std::max(0, (clip.bottom() + 1 - rt.top) / lh), false, lines);
    if (ctrl.m_bShowLineNumbers)
        DrawLineNumberMargin(ctrl, p, lines, fonts);
    if (ctrl.m_bShowOutlineMargin)
        DrawOutlineMargin(ctrl, p, lines);
    QRect area = clip.intersected(QRect(rt.left + 1, rt.top, rt.Width() - 1, rt.Height()));
    if (!fonts.glyphs || fonts.glyphs->font != fonts.text)
        fonts.glyphs = MakeGlyphTable(fonts.text);
    if (!area.isEmpty() && ctrl.GetTextLength() > 0)
        DrawLines(ctrl, p, area.adjusted(-1, -1, 1, 1), lines, fonts, false, ctrl.DefaultBackColor());
}
