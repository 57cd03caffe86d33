#include "foundation/core/DebugLink.h"

#include "foundation/core/Versions.h"
#include "platform/GuiDispatcher.h"

#include <algorithm>

namespace {
std::atomic<CDebugLink::EditorHandler> g_editorHandler{nullptr};

// Every link made, for the program's shutdown.
std::mutex g_linksMutex;
std::vector<std::weak_ptr<CDebugLink>> g_links;
} // namespace

std::shared_ptr<CDebugLink> CDebugLink::Make(std::string name)
{
    std::shared_ptr<CDebugLink> link(new CDebugLink(std::move(name)));
    std::lock_guard<std::mutex> lock(g_linksMutex);
    g_links.erase(std::remove_if(g_links.begin(), g_links.end(), [](const auto& w) { return w.expired(); }),
                  g_links.end());
    g_links.push_back(link);
    return link;
}

void CDebugLink::CloseAll()
{
    std::vector<std::shared_ptr<CDebugLink>> links;
    {
        std::lock_guard<std::mutex> lock(g_linksMutex);
        for (const auto& weak : g_links)
            if (auto link = weak.lock())
                links.push_back(std::move(link));
    }
    for (const auto& link : links)
        link->Close();
}

CDebugLink::CDebugLink(std::string name) : m_name(std::move(name)) {}

void CDebugLink::UpdateDebuggingLocked()
{
    const bool open = m_open.load(std::memory_order_relaxed);
    m_debugging.store(open && (!m_breakpoints.empty() || m_singleStep), std::memory_order_release);
}

void CDebugLink::ReleaseLocked()
{
    m_waiting = false;
    m_stopLine = -1;
    ++m_release;
    if (m_hasPending)
        m_pending.stop = false;  // a stop not yet shown is no longer one
    m_cv.notify_all();
}

bool CDebugLink::OpenEditor(std::function<void()> onShow)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
        return false;
    m_onShow = std::move(onShow);
    ++m_session;
    m_open.store(true, std::memory_order_release);
    UpdateDebuggingLocked();
    return true;
}

void CDebugLink::CloseEditor()
{
    std::function<void()> old;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open.store(false, std::memory_order_release);
        ++m_session;
        if (m_waiting)
            ReleaseLocked();
        m_breakpoints.clear();
        m_singleStep = false;
        m_varTrace = false;
        m_hasPending = false;
        m_pending = ShowRequest();
        old = std::move(m_onShow);
        m_onShow = nullptr;
        m_hookWish.store(false, std::memory_order_release);
        m_visible.store(false, std::memory_order_release);
        UpdateDebuggingLocked();
    }
    // old is destroyed outside the lock: it may own what the editor gave it
}

void CDebugLink::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_callback = nullptr;
        m_callbackUser = nullptr;
    }
    CloseEditor();
}

void CDebugLink::SetBreakpoints(std::vector<int> lines)
{
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open.load(std::memory_order_relaxed))
        return;
    m_breakpoints = std::move(lines);
    UpdateDebuggingLocked();
}

void CDebugLink::SetSingleStep(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open.load(std::memory_order_relaxed))
        return;
    m_singleStep = on;
    UpdateDebuggingLocked();
}

void CDebugLink::SetVarTrace(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_open.load(std::memory_order_relaxed))
        m_varTrace = on;
}

bool CDebugLink::Continue()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_waiting)
        return false;
    ReleaseLocked();
    return true;
}

bool CDebugLink::TakeShowRequest(ShowRequest& out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_hasPending)
        return false;
    out = std::move(m_pending);
    m_pending = ShowRequest();
    m_hasPending = false;
    return true;
}

int CDebugLink::StoppedLine() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting ? m_stopLine : -1;
}

void CDebugLink::Report(bool debugging)
{
    // The callback only records the wish: calling it under the lock keeps the
    // script side from going away meanwhile.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_callback && m_callbackUser)
        m_callback(m_callbackUser, debugging);
}

void CDebugLink::SetPoster(Poster poster)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_poster = std::move(poster);
}

void CDebugLink::SetDebugCallback(void* user, DebugCallback callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed && callback)
        return;
    m_callbackUser = user;
    m_callback = callback;
}

bool CDebugLink::IsSingleStep() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open.load(std::memory_order_relaxed) && m_singleStep;
}

bool CDebugLink::IsVarTrace() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open.load(std::memory_order_relaxed) && m_varTrace;
}

bool CDebugLink::HasBreakpoint(int line) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open.load(std::memory_order_relaxed) &&
           std::binary_search(m_breakpoints.begin(), m_breakpoints.end(), line);
}

uint64_t CDebugLink::PostCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_posts;
}

void CDebugLink::DeliverShow()
{
    std::function<void()> onShow;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_postQueued = false;
        if (!m_hasPending || !m_onShow)
            return;
        onShow = m_onShow;
    }
    onShow();
}

CDebugLink::StopResult CDebugLink::ShowBreak(int line, std::vector<std::string> vars)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_open.load(std::memory_order_relaxed))
        return StopResult::Closed;
    const bool stop = std::binary_search(m_breakpoints.begin(), m_breakpoints.end(), line);
    if (!stop && !m_singleStep)
        return StopResult::Shown;
    if (m_varTrace) {
        lock.unlock();
        for (const std::string& text : vars) {
            if (text.empty())
                break;
            CVersions::Print(false, "%s\r\n", text.c_str());
        }
        lock.lock();
        if (!m_open.load(std::memory_order_relaxed))
            return StopResult::Closed;
    }
    m_pending.line = line;
    m_pending.vars = std::move(vars);
    m_pending.stop = stop;
    m_hasPending = true;
    const bool post = !m_postQueued;
    if (post) {
        m_postQueued = true;
        ++m_posts;
    }
    if (stop) {
        m_waiting = true;
        m_stopLine = line;
    }
    const uint64_t release = m_release;
    const uint64_t session = m_session;
    lock.unlock();

    if (post) {
        std::weak_ptr<CDebugLink> weak = weak_from_this();
        auto deliver = [weak] {
            if (auto link = weak.lock())
                link->DeliverShow();
        };
        if (!Post(std::move(deliver))) {
            // Nobody can show the line, so nobody could ever continue it.
            std::lock_guard<std::mutex> guard(m_mutex);
            m_postQueued = false;
            m_hasPending = false;
            if (stop && m_waiting && m_release == release)
                ReleaseLocked();
            return StopResult::Closed;
        }
    }
    if (!stop)
        return StopResult::Shown;
    lock.lock();
    m_cv.wait(lock, [&] { return m_release != release; });
    return m_session == session ? StopResult::Continued : StopResult::Closed;
}

void CDebugLink::SetEditorHandler(EditorHandler handler)
{
    g_editorHandler.store(handler);
}

bool CDebugLink::Post(std::function<void()> fn)
{
    Poster poster;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        poster = m_poster;
    }
    return poster ? poster(std::move(fn)) : platform::PostToGui(std::move(fn));
}

bool CDebugLink::RequestEditor(EditorRequest request)
{
    if (!g_editorHandler.load())
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed)
            return false;
    }
    std::weak_ptr<CDebugLink> weak = weak_from_this();
    return Post([weak, request = std::move(request)] {
        auto link = weak.lock();
        const EditorHandler handler = g_editorHandler.load();
        if (link && handler)
            handler(link, request);
    });
}
