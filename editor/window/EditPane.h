#pragma once
// The window side of the editor's edit control: measures with the widget's
// font, paints the visible lines, places the caret from clicks and keeps the
// control's client rectangle in step with the widget. Text stays the
// control's own bytes; the clipboard sees them through the edit code page.
#include "editor/editctrl/EditCtrl.h"

#include <QWidget>

class EditPane : public QWidget, public IEditSink, public IEditMeasurer, public IEditClipboard {
    Q_OBJECT
public:
    EditPane(CEditCtrl& edit, QWidget* parent, int id);
    ~EditPane() override;

    CEditCtrl& Edit() { return edit_; }
    int Id() const { return id_; }
    // WM_SETFONT: takes the font and lays the text out again
    void SetEditFont(const QFont& font, bool redraw);
    QFont EditFont() const { return font(); }

    // IEditSink
    void Invalidate(const EcRect& rect) override;
    void SetScrollBar(int, int, int, int) override {}
    void SetScrollPos(int, int) override {}
    void CreateCaret(int width, int height, bool) override { caretSize_ = QSize(width, height); }
    void DestroyCaret() override { caretSize_ = QSize(); }
    void ShowCaret(bool show) override { caretShown_ = show; }
    void SetCaretPos(EcPoint p) override;
    void EditChanged() override {}
    // IEditMeasurer
    int FontHeight() const override;
    int MaxCharWidth() const override;
    int AveCharWidth() const override;
    int CharWidth(unsigned char c) const override;
    // IEditClipboard
    bool SetText(const std::string& bytes, bool columnFormat) override;
    bool HasText() const override;
    bool GetText(std::string& bytes, bool& column) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CEditCtrl& edit_;
    int id_;
    QSize caretSize_;
    QPoint caretPos_;
    bool caretShown_ = false;
};
