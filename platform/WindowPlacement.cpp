#include "platform/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
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

WindowPlacement FromGeometry(const QRect& client, bool minimized, bool maximized)
{
    WindowPlacement p;
    p.showCmd = minimized ? WindowPlacement::kShowMinimized
                          : maximized ? WindowPlacement::kShowMaximized : WindowPlacement::kShowNormal;
    p.normal = {client.left(), client.top(), client.left() + client.width(), client.top() + client.height()};
    return p;
}

QRect ToQRect(const Rect& r)
{
    return QRect(r.left, r.top, std::max(1, r.right - r.left), std::max(1, r.bottom - r.top));
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

WindowPlacement GetPlacement(const QWindow& window)
{
    const auto state = window.windowStates();
    return FromGeometry(window.geometry(), state & Qt::WindowMinimized, state & Qt::WindowMaximized);
}

void SetPlacement(QWindow& window, const WindowPlacement& p) { window.setGeometry(ToQRect(p.normal)); }

WindowPlacement GetPlacement(const QWidget& widget)
{
    return FromGeometry(widget.geometry(), widget.isMinimized(), widget.isMaximized());
}

void SetPlacement(QWidget& widget, const WindowPlacement& p) { widget.setGeometry(ToQRect(p.normal)); }

} // namespace platform
