#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The meeting point of one script and its editor. The script host owns it and it
// outlives every editor of the script; the render thread (line hook) reads it and
// may wait in it at a breakpoint, the editor on the GUI thread writes it. Nothing
// here holds a pointer to the editor: the editor receives "show this line"
// requests through a callable that is posted to the GUI thread, one at a time,
// so line trace cannot flood the GUI queue.
class CDebugLink : public std::enable_shared_from_this<CDebugLink> {
public:
    enum class StopResult {
        Shown,      // the line was handed to the editor; nothing to wait for
        Continued,  // stopped at a breakpoint and released by the editor
        Closed,     // the editor closed (or never was open): the caller touches nothing of it
    };
    // The latest line the render thread wants shown, with its variable list.
    struct ShowRequest {
        int line = -1;
        std::vector<std::string> vars;
        bool stop = false;  // the render thread waits at this line
    };
    // What the script side asks of the editor's GUI side besides showing lines.
    struct EditorRequest {
        enum Kind { Toggle, Close, Line, Error } kind = Toggle;
        bool topmost = false;  // Toggle: place above all other windows
        int line = -1;         // Line, Error (0-based)
        std::string text;      // Error
        // Toggle with no editor open: what a new editor is made from
        std::string path, runEvent, debugEvent, compileEvent;
    };
    using EditorHandler = void (*)(const std::shared_ptr<CDebugLink>& link, const EditorRequest& request);
    using Poster = std::function<bool(std::function<void()>)>;
    using DebugCallback = void (*)(void* user, bool on);

    static std::shared_ptr<CDebugLink> Make(std::string name);
    const std::string& Name() const { return m_name; }

    // --- editor side (GUI thread) ---
    // The editor's window is ready; onShow runs on the GUI thread whenever a show
    // request waits (take it with TakeShowRequest). Refused after Close.
    bool OpenEditor(std::function<void()> onShow);
    // The editor is going: a render thread waiting at a breakpoint is released
    // with Closed, breakpoints and traces are dropped, and queued show requests
    // are discarded. The editor may open again.
    void CloseEditor();
    // Shutdown: closes the editor side for good.
    void Close();
    // Shutdown of the program: Close on every link that exists.
    static void CloseAll();
    // The breakpoint lines (0-based) as the editor's markers now stand.
    void SetBreakpoints(std::vector<int> lines);
    void SetSingleStep(bool on);
    void SetVarTrace(bool on);
    // Releases a render thread waiting at a breakpoint. A continue while none
    // waits is not kept for later: false, and the next breakpoint still stops.
    bool Continue();
    bool TakeShowRequest(ShowRequest& out);
    // The line the render thread waits at, or -1.
    int StoppedLine() const;
    // Hands the debugging state to the installed callback (the script host's
    // hook switch); nothing without one.
    void Report(bool debugging);
    // How requests reach the GUI thread (tests install their own).
    void SetPoster(Poster poster);

    // The GUI side's handler of editor requests, one for the program.
    static void SetEditorHandler(EditorHandler handler);
    // The editor's window is shown (kept for IsEditorVisible).
    void SetVisible(bool visible) { m_visible.store(visible, std::memory_order_release); }

    // --- script side (render thread) ---
    // Posts the request to the GUI thread's editor handler without waiting.
    // False when it cannot be posted or no handler exists.
    bool RequestEditor(EditorRequest request);
    bool IsEditorVisible() const { return IsEditorOpen() && m_visible.load(std::memory_order_acquire); }
    void SetDebugCallback(void* user, DebugCallback callback);
    bool IsEditorOpen() const { return m_open.load(std::memory_order_acquire); }
    // Editor open and a breakpoint exists or line trace is on.
    bool IsDebugging() const { return m_debugging.load(std::memory_order_acquire); }
    bool IsSingleStep() const;
    bool IsVarTrace() const;
    bool HasBreakpoint(int line) const;
    // Hands the line to the editor when it holds a breakpoint or line trace is on,
    // and at a breakpoint waits until the editor continues or closes.
    StopResult ShowBreak(int line, std::vector<std::string> vars);

    // The line hook the editor last asked for, applied by the render thread itself.
    void SetHookWish(bool on) { m_hookWish.store(on, std::memory_order_release); }
    bool HookWish() const { return m_hookWish.load(std::memory_order_acquire); }

    // Posts made to the GUI thread so far (for checks of the flood guard).
    uint64_t PostCount() const;

private:
    explicit CDebugLink(std::string name);
    void UpdateDebuggingLocked();
    void ReleaseLocked();
    void DeliverShow();
    bool Post(std::function<void()> fn);

    const std::string m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_closed = false;                 // Close ran: no editor opens again
    std::vector<int> m_breakpoints;        // sorted
    bool m_singleStep = false;
    bool m_varTrace = false;
    bool m_waiting = false;                // the render thread waits at m_stopLine
    int m_stopLine = -1;
    uint64_t m_release = 0;                // bumped on every release
    uint64_t m_session = 0;                // bumped on every open and close
    ShowRequest m_pending;
    bool m_hasPending = false;
    bool m_postQueued = false;             // one delivery in the GUI queue at most
    uint64_t m_posts = 0;
    std::function<void()> m_onShow;
    Poster m_poster;
    DebugCallback m_callback = nullptr;
    void* m_callbackUser = nullptr;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_debugging{false};
    std::atomic<bool> m_hookWish{false};
    std::atomic<bool> m_visible{false};
};

using DebugLinkPtr = std::shared_ptr<CDebugLink>;
