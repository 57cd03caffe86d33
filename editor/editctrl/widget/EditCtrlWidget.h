#pragma once
// CEditCtrlWidget: the edit control's window. A scroll area over the control's
// core that turns Qt input into the core's operations and paints its text,
// margins and caret.

#include "editor/editctrl/EditCtrl.h"
#include "editor/editctrl/widget/EditCtrlPainter.h"
#include "editor/editctrl/widget/QtEditClipboard.h"
#include "editor/editctrl/widget/QtEditMeasurer.h"

#include <QAbstractScrollArea>
#include <QTimer>

#include <functional>

class CQtEditImageList;
class QFontMetrics;
class QPrinter;

class CEditCtrlWidget : public QAbstractScrollArea, public IEditSink
{
    Q_OBJECT
public:
    explicit CEditCtrlWidget(CEditCtrl& ctrl, QWidget* parent = nullptr);
    ~CEditCtrlWidget() override;

    CEditCtrl& Ctrl() { return m_ctrl; }
    // the control's font; links use an underlined copy
    void SetEditFont(const QFont& font, bool redraw = true);
    const QFont& EditFont() const { return m_fonts.text; }
    // pictures for special sequences (not owned); lines grow to the first one's height
    void SetImageList(const CQtEditImageList* images);
    void ActivateToolTip(bool on) { m_bToolTips = on; }
    void HideToolTip();
    int m_nToolTipWidth = -1; // pixels a plain-word tip may take; -1 for no limit
    // the text broken into lines no wider than `width` (at blanks where it can)
    static QString WrapTipText(const QString& text, const QFontMetrics& metrics, int width);

    // asks for a printer, then prints the text; false when cancelled or failed
    bool Print();
    // prints on the given printer; returns the pages printed
    int PrintTo(QPrinter& printer);

    // where the mouse is, in viewport pixels (tests give their own)
    void SetCursorPosition(std::function<QPoint()> provider) { m_cursorPos = std::move(provider); }
    // which mouse buttons are down (tests give their own)
    void SetMouseButtons(std::function<Qt::MouseButtons()> provider) { m_mouseButtons = std::move(provider); }
    bool AutoScrolling() const { return m_autoScroll.isActive(); }

    // IEditSink
    void Invalidate(const EcRect& rect) override;
    void SetScrollBar(int bar, int max, int page, int pos) override;
    void SetScrollPos(int bar, int pos) override;
    void CreateCaret(int width, int height, bool grey) override;
    void DestroyCaret() override;
    void ShowCaret(bool show) override;
    void SetCaretPos(EcPoint p) override;
    void EditChanged() override;

signals:
    void changed();

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool) override { return false; }

private:
    void TypeText(const QString& text);
    void DragTo(QPoint pt);
    void AutoScrollTick();
    // the drag select is over: its release was lost, or the focus went away
    void EndDrag();
    void UpdateCursorShape(QPoint pt, Qt::KeyboardModifiers mods);
    void UpdateTip(QPoint pt);
    void SystemColorsChanged();
    QRect CaretRect() const;

    CEditCtrl& m_ctrl;
    CQtEditMeasurer m_measurer;
    CQtEditClipboard m_clipboard;
    CQtEditDragSource m_dragSource;
    EditPaintFonts m_fonts;
    QTimer m_blink;
    QTimer m_autoScroll;
    std::function<QPoint()> m_cursorPos;
    std::function<Qt::MouseButtons()> m_mouseButtons;
    QSize m_caretSize;
    QPoint m_caretPos{-10, -10};
    bool m_caretExists = false;
    bool m_caretShown = false;
    bool m_caretOn = true;
    bool m_captured = false;
    bool m_dragPending = false;
    QPoint m_pressPos;
    int m_wheelRemainder = 0;
    bool m_settingBars = false;
    bool m_bToolTips = false;
    std::string m_strTipText;
};
