#pragma once
// CLuaEditor: the script editor window of one scene script. Its client area
// holds the edit control (id 1) above a status bar whose first pane shows the
// editor's lamp caption; its menu is the owner-drawn menu 244. It lives on the
// GUI thread; its debugger side (breakpoints, current line, trace) talks to the
// script only through the script's debug link.
#include "editor/editctrl/EditCtrl.h"
#include "editor/menu/BCMenu.h"
#include "editor/status/CLampCaption.h"
#include "editor/window/AccelTable.h"
#include "editor/window/FindReplaceDialog.h"
#include "editor/window/LuaDebugView.h"
#include "editor/window/LuaEditorUi.h"
#include "platform/Event.h"

#include <QFont>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCJStatusBar;
class CEditCtrlWidget;
class QMenuBar;

// The window title: "LuaEdit [path]" and '*' while modified, else a blank.
std::string LuaEditorTitle(const std::string& path, bool modified);

class CLuaEditor : public QWidget, private IDebugWindow {
    Q_OBJECT
public:
    // commands of menu 244 and accelerator table 128
    enum Command : unsigned {
        kFileLoad = 32821,
        kFileSave = 57603,
        kFileSaveAs = 32820,
        kExit = 40005,
        kEditCut = 57635,
        kEditCopy = 57634,
        kEditPaste = 57637,
        kEditRedo = 57644,
        kEditUndo = 57643,
        kEditFind = 57636,
        kEditReplace = 57641,
        kDebugView = 40009,
        kDebugContinue = 40012,
        kToggleBreakpoint = 40013,
        kSingleStep = 40015,
        kVariableTrace = 40018,
        kCompile = 40019,
        kLuaReference = 40007,
        kAbout = 40008,
    };
    static constexpr unsigned kMenuId = 244;
    static constexpr unsigned kAccelId = 128;
    static constexpr unsigned kIconId = 101;
    static constexpr int kEditId = 1;
    static constexpr int kStatusHeight = 28;
    static constexpr int kShutdownDelayMs = 1000;
    static constexpr const char* kPlacementSection = "Ostravellum";
    static constexpr const char* kPlacementPrefix = "LuaEditSz-";
    static constexpr const char* kSettingsFile = "Lua//luaedit.xml";

    // Opens the run and compile events and creates the debug event by name;
    // each one missing is logged and stays null.
    CLuaEditor(const std::string& runEvent, const std::string& debugEvent, const std::string& compileEvent,
               QWidget* parent = nullptr);
    ~CLuaEditor() override;

    // Replaces the desktop dialogs (tests).
    void SetUi(std::unique_ptr<ILuaEditorUi> ui) { m_ui = std::move(ui); }
    ILuaEditorUi& Ui() { return *m_ui; }

    // Makes the window: children, menu, status bar, then the initialisation
    // (placement, font, edit-control settings, run event set). False when a
    // child could not be made; the window then does not exist.
    bool Create();
    bool WindowExists() const { return m_bWindow; }

    bool LoadFile(const std::string& path);
    void UpdateTitle(bool force);
    bool IsModified() const { return m_edit.IsModified(); }
    // The save question and the placement; false when the user wanted the text
    // saved and it was not (the close is then abandoned).
    bool SaveOnClose();
    // The close: save question, placement, minimise, run event reset, then the
    // shutdown at once or a second later while line trace is on. False when it
    // was abandoned and the window stays open.
    bool OnClose();
    void Shutdown();
    // True while the save question of a close, or the saving it led to, is open.
    bool IsAsking() const { return m_asking; }
    // Shows the window (restored from minimised) above the others and active.
    void RaiseForQuestion();
    // Rejects the open modal dialogs (file dialogs, message boxes): each one's
    // exec returns once control is back in its loop.
    void RejectDialogs();
    // Deletes the editor (deleteLater) once none of its commands is running, so
    // that a dialog's loop still on the stack returns into a live editor.
    void DisposeWhenIdle();
    void GetSearchDefaults(std::string& clipboard, std::string& find) const;
    void OpenFindReplace(bool replace);
    void OnFindReplace(const CFindReplaceDialog::Request& request);
    static void PrintList(const std::vector<std::string>& list);

    // Runs a menu or accelerator command; false when none handles it.
    bool OnCommand(unsigned command);
    bool OnFileLoad();
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnLuaReference();
    void OnAbout();
    void OnDebugView();

    // debugger commands (continue, breakpoint, trace, recompile)
    void OnDebugContinue();
    bool ToggleBreakpoint();
    void OnSingleStep();
    void OnVariableTrace();
    void OnCompile();
    // Hands IsDebugging to the script's hook switch.
    void ReportDebugging() { m_debug.Report(); }
    bool IsDebugging() const { return m_debug.IsDebugging(); }
    // Connects the debugger to the script once the window is ready; false when
    // the program is shutting down.
    bool AttachDebugLink(const DebugLinkPtr& link) { return m_debug.Attach(link); }
    CLuaDebugView& Debugger() { return m_debug; }
    bool SingleStep() const { return m_debug.SingleStep(); }
    bool VarTrace() const { return m_debug.VarTrace(); }

    CEditCtrl& Edit() { return m_edit; }
    CEditCtrlWidget* EditWindow() const { return m_editWnd; }
    CCJStatusBar* StatusBar() const { return m_pStatusBar; }
    CLampCaption& Caption() { return m_caption; }
    BCMenu& Menu() { return m_menu; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    const CAccelTable& Accelerators() const { return m_accel; }
    CFindReplaceDialog* FindDialog() const { return m_pFindDlg; }
    bool ShutdownPending() const { return m_shutdownTimer.isActive(); }

    // The script's run-event name (completes the placement entry) and path.
    std::string m_strName;
    std::string m_strPath;

    platform::EventPtr m_hCompileEvent;
    // the script's debug event, made by name; stops and continues go through the
    // debug link, which cannot keep a continue for a later breakpoint
    platform::EventPtr m_hDebugEvent;
    platform::EventPtr m_hBreakEvent;  // no event: nothing creates or waits on it
    platform::EventPtr m_hRunEvent;

signals:
    // The window has shut down: its owner may delete it (deleteLater).
    void Finished();

protected:
    bool OnCreate();
    bool OnInitDialog();
    void OnSize(int cx, int cy);
    void RestorePlacement();
    void SavePlacement();

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Every event of this window's widgets passes here first; true consumes it.
    bool PreTranslateMessage(QObject* target, QEvent* event);
    void ApplyEditSettings();
    void SetMarginRedraw();
    // the debugger's view of the window
    void SetCommandCheck(unsigned command, bool on) override;
    void FocusEditor() override;
    void BringToTop() override;
    void RedrawAll() override;
    bool HasMenu() const override;
    void AppendToTitle(const std::string& text) override;
    void SetVariableList(const std::vector<std::string>& list) override;
    void StartDebugViewer() override { OnDebugView(); }

    CEditCtrl m_edit;
    BCMenu m_menu;
    CLampCaption m_caption;  // hosted by the status bar, deleted here once
    QFont m_font;
    QFont m_hOldEditFont;
    bool m_bFontSet = false;
    CAccelTable m_accel;
    QPointer<CFindReplaceDialog> m_pFindDlg;
    CCJStatusBar* m_pStatusBar = nullptr;
    CEditCtrlWidget* m_editWnd = nullptr;
    QWidget* m_client = nullptr;
    QMenuBar* m_menuBar = nullptr;
    std::unique_ptr<ILuaEditorUi> m_ui;
    QTimer m_shutdownTimer;
    class BusyScope;  // a command or close in progress (it may run a dialog)
    int m_busy = 0;
    bool m_dispose = false;
    bool m_asking = false;
    bool m_exactPath = false;  // the path came from Save As: written under exactly that name
    bool m_bWindow = false;
    CLuaDebugView m_debug{m_edit, *this};  // after the edit control it works on
};

// Counts a command or close of the editor in progress; the last one to end
// deletes an editor that was disposed meanwhile.
class CLuaEditor::BusyScope {
public:
    explicit BusyScope(CLuaEditor& editor) : m_editor(editor) { ++m_editor.m_busy; }
    ~BusyScope()
    {
        if (--m_editor.m_busy == 0 && m_editor.m_dispose)
            m_editor.deleteLater();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CLuaEditor& m_editor;
};
