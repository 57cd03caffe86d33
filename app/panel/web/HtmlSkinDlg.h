#pragma once
#include "app/panel/PanelRules.h"

#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEngineView>
#include <QWindow>
#include <string>
#include <vector>

class QWebChannel;
class CPanelBridge;

// The options panel: a frameless tool window beside its owner that shows
// "html/Tracks.htm" from the program folder, shaped by "map/main-bg.bmp" and faded
// in and out. Clicks on the page's inputs become items of g_HtmlItemStore; after a
// page has loaded, its stored items are pushed back into it. GUI thread only,
// except ShowPanel.
class CHtmlSkinDlg : public QWebEngineView {
    Q_OBJECT
public:
    static constexpr int kRegionThreshold = 32;
    static constexpr int kFadeStepMs = 25;
    static constexpr int kFadeStep = 10;
    static constexpr int kShownAlpha = 160;

    CHtmlSkinDlg();
    ~CHtmlSkinDlg() override;

    // Creates the hidden window owned by `owner`: cuts its shape, loads the store
    // and queues the navigation to the page.
    bool Create(QWindow* owner);
    // Where the pages are looked for (the program folder unless set).
    void SetProgramFolder(const std::string& folder) { m_programFolder = folder; }

    // Fades the panel in (shown at once, alpha 10..160) or out (alpha down to 0,
    // then hidden). A fade cancels the one running. Callable from any thread.
    void ShowPanel(bool show);
    // Space in the main window: shows the panel unless it is shown or fading in.
    void TogglePanel();
    // The state the last fade goes to (the window's visibility when none ran).
    bool IsPanelShown() const;
    int Alpha() const { return m_alpha; }
    bool IsFading() const { return m_fade.isActive(); }

    // Moves the panel beside its owner's client area (right - 460, top - 38,
    // 460 wide, client height + 38 high).
    void PlaceBesideOwner();

    // Saves the store and drops the shape; the window goes. Done once.
    void OnDestroy();

    // How long the operations that answer from the page wait for it.
    static constexpr int kScriptWaitMs = 1000;

    // Calls a function of the document (a global, "eval" too) with text arguments
    // and waits for it; true when it ran without throwing, its return value then in
    // `result`. False when there is no such function, or no answer within
    // kScriptWaitMs.
    bool CallJScript(const std::string& function, const std::vector<std::string>& args, QVariant* result = nullptr);
    // Sets an attribute of the first element of that name (or id); nothing when none.
    void SetElementAttribute(const std::string& elementName, const std::string& value, const std::string& attribute);
    // The value of the first element of that name (or id); false when there is none
    // or the page does not answer.
    bool GetElementValue(const std::string& elementName, std::string& value);
    // The document body's text.
    bool GetBodyText(std::string& text);
    // The document's URL as the page has it.
    bool GetDocumentURL(std::string& url);
    // The texts of the options of the select element of that name, in order; false
    // when there is no such select element.
    bool GetOptionTexts(const std::string& selectName, std::vector<std::string>& texts);
    // The body margins in pixels (48, 80 after each load).
    bool SetMargins(int left, int top);
    // Drops the shape: the window becomes its plain rectangle.
    void FreeRegion();
    // Pushes the stored items of a page into the document and empties the pending page.
    void ApplyItems(const std::string& page);

    const std::string& PendingPage() const { return m_pendingPage; }
    bool HasRegion() const { return m_hasRegion; }

    // Enter: calls "myfunction1" and keeps the panel; Esc: nothing.
    void OnOK();
    void OnCancel() {}

signals:
    // After a page has loaded and its stored items were pushed (tests wait on it).
    void documentComplete(const QString& page);
    // After a mouse-up of the page has been applied.
    void inputApplied();

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool MakeRegion();
    void OnDelayedNavigate();
    void OnDocumentComplete(bool ok);
    void OnInputMouseUp(const PanelInputReport& report);
    void FadeStep();
    void InstallPageScripts();
    // Runs a script in the document and waits (a local loop without user input,
    // at most kScriptWaitMs) for its value; false past that.
    bool Evaluate(const std::string& script, QVariant& value);

    QPointer<QWindow> m_owner;
    QWebChannel* m_channel = nullptr;
    CPanelBridge* m_bridge = nullptr;
    QTimer m_fade;
    bool m_fadeIn = false;
    int m_alpha = 0;
    bool m_hasRegion = false;
    bool m_destroyed = false;
    bool m_created = false;
    std::string m_pendingPage = "Tracks";
    std::string m_programFolder;
};
