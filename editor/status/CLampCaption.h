#pragma once
#include "editor/status/CTipWindow.h"
#include "editor/status/LampCaptionState.h"

#include <QTimer>
#include <QWidget>

// A small caption that paints its text engraved in bold italic and can show a
// column of three lamps with tips to its right.
class CLampCaption : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTipTimerMs = 1500;

    explicit CLampCaption(QWidget* parent = nullptr);
    ~CLampCaption() override;

    // Takes the parent and id, the caption font ("Arial", 18 px, bold italic),
    // the caption and the lamp tip.
    bool Create(const std::wstring& caption, QWidget* parent, int id);

    void SetText(const std::wstring& text);
    void SetCaptionFont(const std::wstring& face, int height, int weight, bool italic, bool underline);
    void SetBackColor(COLORREF colour) { state_.m_crFace = colour; }
    void SetLampColors(COLORREF c0, COLORREF c1, COLORREF c2);
    void SetLamp0Color(COLORREF c) { state_.m_crLamp[0] = c; }
    void SetLamp1Color(COLORREF c) { state_.m_crLamp[1] = c; }
    void SetLamp2Color(COLORREF c) { state_.m_crLamp[2] = c; }
    void SetTipTexts(const std::wstring& title, const std::wstring& t0, const std::wstring& t1, const std::wstring& t2);
    void SetLampTips(bool on) { state_.m_bLampTips = on; }
    void SetBlinkPeriods(int ms0, int ms1, int ms2);
    int FlashLamp0(bool on) { return state_.FlashLamp(0, on); }
    int FlashLamp1(bool on) { return state_.FlashLamp(1, on); }
    int FlashLamp2(bool on) { return state_.FlashLamp(2, on); }
    void LightLamp0() { Light(0); }
    void LightLamp1() { Light(1); }
    void LightLamp2() { Light(2); }

    const LampCaptionState& State() const { return state_; }
    CTipWindow& Tip() { return m_tipWnd; }
    bool BlinkTimerActive() const { return blink_.isActive(); }
    // One tick of the blink timer (what the timer runs).
    void OnBlinkTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Light(int lamp);
    QRect LampColumn() const;

    LampCaptionState state_;
    platform::GdiFont m_fontCaption;
    CTipWindow m_tipWnd;
    QTimer blink_;
    QTimer tipTimer_;
};
