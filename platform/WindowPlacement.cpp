#include "platform/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <cstring>

namespace platform {
namespace {

void Put(uint8_t* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = uint8_t(v >> (8 * i));
}

uint32_t Get(const uint8_t* in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(in[i]) << (8 * i);
    return v;
}

uint32_t Signed(int32_t v) { return uint32_t(v); }
int32_t AsInt(uint32_t v) { return int32_t(v); }

WindowPlacement Decode(const uint8_t* b)
{
    WindowPlacement p;
    p.length = Get(b + 0);
    p.flags = Get(b + 4);
    p.showCmd = Get(b + 8);
    p.minX = AsInt(Get(b + 12));
    p.minY = AsInt(Get(b + 16));
    p.maxX = AsInt(Get(b + 20));
    p.maxY = AsInt(Get(b + 24));
    p.normal = {AsInt(Get(b + 28)), AsInt(Get(b + 32)), AsInt(Get(b + 36)), AsInt(Get(b + 40))};
    return p;
}

Rect ToRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

QRect ToQRect(const Rect& r)
{
    const auto extent = [](int32_t from, int32_t to) {
        return int(std::clamp<int64_t>(int64_t(to) - int64_t(from), 1, INT_MAX));
    };
    return QRect(r.left, r.top, extent(r.left, r.right), extent(r.top, r.bottom));
}

bool IsNormal(Qt::WindowStates s) { return !(s & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)); }

// The geometry and state of a top-level QWindow or QWidget; false for anything else.
bool ReadWindow(QObject* o, QRect& geometry, Qt::WindowStates& states)
{
    if (auto* window = qobject_cast<QWindow*>(o)) {
        geometry = window->geometry();
        states = window->windowStates();
        return true;
    }
    if (auto* widget = qobject_cast<QWidget*>(o)) {
        geometry = widget->geometry();
        states = widget->windowState();
        return true;
    }
    return false;
}

// Watches a window's moves and resizes for its NormalRectMemory; lives as the
// window's child.
class NormalRectWatch : public QObject {
public:
    explicit NormalRectWatch(QObject& window) : QObject(&window)
    {
        Seen(&window);
        window.installEventFilter(this);
    }
    const NormalRectMemory& Memory() const { return m_memory; }
    // Notes the window's rectangle and state now.
    void Seen(QObject* window)
    {
        QRect geometry;
        Qt::WindowStates states;
        if (ReadWindow(window, geometry, states))
            m_memory.Moved(ToRect(geometry), IsNormal(states));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == parent() && (e->type() == QEvent::Move || e->type() == QEvent::Resize))
            Seen(watched);
        return false;
    }

private:
    NormalRectMemory m_memory;
};

NormalRectWatch* FindWatch(const QObject& window)
{
    for (QObject* child : window.children())
        if (auto* watch = dynamic_cast<NormalRectWatch*>(child))
            return watch;
    return nullptr;
}

// The record of a window whose normal rectangle is `normal` (its geometry when
// it is in the normal state).
WindowPlacement FromGeometry(const QRect& normal, Qt::WindowStates states)
{
    WindowPlacement p;
    p.showCmd = states & Qt::WindowMinimized   ? WindowPlacement::kShowMinimized
                : states & Qt::WindowMaximized ? WindowPlacement::kShowMaximized
                                               : WindowPlacement::kShowNormal;
    p.normal = ToRect(normal);
    return p;
}

// The window's normal rectangle: its geometry in the normal state, else what its
// watch remembered, else `fallback`.
QRect NormalGeometry(const QObject& window, const QRect& geometry, Qt::WindowStates states, const QRect& fallback)
{
    if (IsNormal(states))
        return geometry;
    if (const NormalRectWatch* watch = FindWatch(window))
        if (const auto r = watch->Memory().Normal(ToRect(geometry)); r && !r->IsEmpty())
            return ToQRect(*r);
    return fallback;
}

} // namespace

std::array<uint8_t, WindowPlacement::kBytes> EncodePlacement(const WindowPlacement& p)
{
    std::array<uint8_t, WindowPlacement::kBytes> b{};
    Put(&b[0], p.length);
    Put(&b[4], p.flags);
    Put(&b[8], p.showCmd);
    Put(&b[12], Signed(p.minX));
    Put(&b[16], Signed(p.minY));
    Put(&b[20], Signed(p.maxX));
    Put(&b[24], Signed(p.maxY));
    Put(&b[28], Signed(p.normal.left));
    Put(&b[32], Signed(p.normal.top));
    Put(&b[36], Signed(p.normal.right));
    Put(&b[40], Signed(p.normal.bottom));
    return b;
}

WindowPlacement OverlayPlacement(const WindowPlacement& base, const uint8_t* data, size_t size)
{
    auto bytes = EncodePlacement(base);
    if (data)
        std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    return Decode(bytes.data());
}

std::optional<WindowPlacement> AcceptPlacement(const std::vector<uint8_t>& record, const WindowPlacement& current,
                                               const DesktopGeometry& desktop, const PlacementRule& rule)
{
    if (record.empty() || record.size() < rule.minBytes)
        return std::nullopt;
    if (rule.exactSize && record.size() != WindowPlacement::kBytes)
        return std::nullopt;
    WindowPlacement p = OverlayPlacement(current, record.data(), record.size());
    // an empty or inverted rectangle would open a one-pixel window
    const int64_t normalWidth = int64_t(p.normal.right) - int64_t(p.normal.left);
    const int64_t normalHeight = int64_t(p.normal.bottom) - int64_t(p.normal.top);
    if (normalWidth <= 0 || normalHeight <= 0 || normalWidth > INT32_MAX || normalHeight > INT32_MAX)
        return std::nullopt;
    if (rule.edgeWithinExtent) {
        const int32_t width = std::max(desktop.virtualRect.right - desktop.virtualRect.left, desktop.primaryWidth);
        const int32_t height = std::max(desktop.virtualRect.bottom - desktop.virtualRect.top, desktop.primaryHeight);
        if (!(p.normal.left < width || p.normal.top < height))
            return std::nullopt;
    }
    if (rule.mustIntersect && !p.normal.Intersects(desktop.virtualRect))
        return std::nullopt;
    p.showCmd = 0;
    return p;
}

DesktopGeometry CurrentDesktop()
{
    DesktopGeometry d;
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect v = primary->virtualGeometry();
        d.virtualRect = {v.left(), v.top(), v.left() + v.width(), v.top() + v.height()};
        d.primaryWidth = primary->geometry().width();
        d.primaryHeight = primary->geometry().height();
    }
    return d;
}

void NormalRectMemory::Moved(const Rect& now, bool normal)
{
    if (!normal || m_last == now)
        return;
    m_before = m_last;
    m_last = now;
}

std::optional<Rect> NormalRectMemory::Normal(const Rect& maximised) const
{
    if (m_last == maximised && m_before)
        return m_before;
    return m_last;
}

void RememberNormalGeometry(QWindow& window)
{
    if (!FindWatch(window))
        new NormalRectWatch(window);
}

void RememberNormalGeometry(QWidget& widget)
{
    if (!FindWatch(widget))
        new NormalRectWatch(widget);
}

WindowPlacement GetPlacement(const QWindow& window)
{
    const auto states = window.windowStates();
    return FromGeometry(NormalGeometry(window, window.geometry(), states, window.geometry()), states);
}

void SetPlacement(QWindow& window, const WindowPlacement& p)
{
    window.setGeometry(ToQRect(p.normal));
    // a window not shown yet reports no move
    if (NormalRectWatch* watch = FindWatch(window))
        watch->Seen(&window);
}

WindowPlacement GetPlacement(const QWidget& widget)
{
    const auto states = widget.windowState();
    return FromGeometry(NormalGeometry(widget, widget.geometry(), states, widget.normalGeometry()), states);
}

void SetPlacement(QWidget& widget, const WindowPlacement& p)
{
    widget.setGeometry(ToQRect(p.normal));
    if (NormalRectWatch* watch = FindWatch(widget))
        watch->Seen(&widget);
}

} // namespace platform
