#pragma once
// Real input through the X server for in-process window tests: keys typed with
// xdotool into a window given the focus, and the close box as a window manager
// reports it (WM_DELETE_WINDOW). The events come back to the test's own event
// loop, nested dialog loops included, like a user's input.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace xinput {

inline std::string Xdotool(const QStringList& args)
{
    QProcess p;
    p.start("xdotool", args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

// Gives the window the keyboard focus and types the keys ("Escape", "y", "ctrl+s").
inline void Keys(WId window, const QStringList& keys)
{
    Xdotool({"windowfocus", "--sync", QString::number(window)});
    for (const QString& k : keys)
        Xdotool({"key", "--clearmodifiers", k});
}
inline void Keys(QWidget* widget, const QStringList& keys) { Keys(widget->window()->winId(), keys); }

// The close box: the window manager's WM_DELETE_WINDOW message.
inline bool CloseBox(WId window)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c))
        return false;
    auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = xcb_window_t(window);
    e.type = atom("WM_PROTOCOLS");
    e.data.data32[0] = atom("WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, xcb_window_t(window), XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    // a round trip: the server has taken the message before the connection goes
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
    return true;
}

// Steps run one after another from a timer, each once its condition holds, so
// that they also run inside the nested loop of a modal dialog. A step that waits
// longer than its time is a failure: the rescue runs (say, to reject the
// dialogs and close what is open) and no later step runs.
class Steps {
public:
    explicit Steps(std::function<void()> rescue = nullptr) : m_rescue(std::move(rescue))
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }
    void Add(std::string what, std::function<bool()> ready, std::function<void()> act, int timeoutMs = 20000)
    {
        m_steps.push_back({std::move(what), std::move(ready), std::move(act), timeoutMs});
    }
    void Start()
    {
        m_clock.start();
        m_timer.start();
    }
    // Serves events until every step ran or one failed.
    bool Run()
    {
        Start();
        while (!Done() && !Failed()) {
            QEventLoop wait;
            QTimer::singleShot(10, &wait, &QEventLoop::quit);
            wait.exec();
        }
        return !Failed();
    }
    bool Done() const { return m_next >= m_steps.size(); }
    bool Failed() const { return !m_failed.empty(); }
    // The step that timed out, "" when none did.
    const std::string& FailedStep() const { return m_failed; }

    // Rejects every open modal dialog (a rescue's first part).
    static void RejectModals()
    {
        for (int i = 0; i < 10; ++i) {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            d->reject();
            QApplication::processEvents();
        }
    }

private:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
        int timeoutMs;
    };
    void Tick()
    {
        if (m_busy || Done() || Failed())
            return;
        m_busy = true;
        Step& step = m_steps[m_next];
        if (step.ready()) {
            ++m_next;
            step.act();
            m_clock.restart();
        } else if (m_clock.elapsed() > step.timeoutMs) {
            m_failed = step.what;
            m_timer.stop();
            if (m_rescue)
                m_rescue();
        }
        m_busy = false;
        if (Done())
            m_timer.stop();
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    std::string m_failed;
    bool m_busy = false;
    std::function<void()> m_rescue;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

// A step condition that holds once ms milliseconds have passed since it was first asked.
inline std::function<bool()> After(int ms)
{
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock, ms] {
        if (!clock->isValid())
            clock->start();
        return clock->elapsed() > ms;
    };
}

// The open message box whose text is `text`, or null.
inline QDialog* OpenBox(const QString& text)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QMessageBox") && w->property("text").toString() == text)
            return static_cast<QDialog*>(w);
    return nullptr;
}

} // namespace xinput
