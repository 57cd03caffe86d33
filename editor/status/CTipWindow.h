#pragma once
#include "editor/menu/SysMenu.h"

#include <QPointer>

#include <string>

class QWidget;
class TipPopup;

// One tracking balloon tip for an owner window: shown at a screen point with a
// text and a title it keeps itself.
class CTipWindow {
public:
    static constexpr size_t kTextMax = 1023;   // characters kept of a text
    static constexpr size_t kTitleMax = 255;   // and of a title
    static constexpr int kMaxTipWidth = 300;
    static constexpr uint32_t kBackColour = 0xF8F8F8;

    CTipWindow() = default;
    ~CTipWindow();
    CTipWindow(const CTipWindow&) = delete;
    CTipWindow& operator=(const CTipWindow&) = delete;

    bool Create(QWidget* owner, unsigned extraStyle = 0);
    void Destroy();
    bool MoveTo(int x, int y);
    void Show(bool on);
    bool IsShown() const { return m_bShown; }
    void SetText(const std::string& text);
    void SetTitle(const std::string& title);
    void MoveToMenuItem(HMENU menu, unsigned command);
    void ShowMenuPrompt(unsigned command, uint32_t flags, HMENU menu);

    const std::string& Text() const { return m_szText; }
    const std::string& Title() const { return m_szTitle; }
    QWidget* Window() const;
    // The process-wide buffer the last menu prompt was loaded into.
    static const std::string& LastPrompt();

private:
    std::string m_szText;
    std::string m_szTitle;
    bool m_bShown = false;
    QPointer<TipPopup> m_hTip;
    QPointer<QWidget> m_hOwner;
};
