#include "editor/menu/BCMenuStyle.h"

#include "editor/menu/BCMenu.h"
#include "editor/menu/OwnerDrawMenu.h"

#include <QAction>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

struct ItemRef {
    BCMenu* owner = nullptr;
    uintptr_t data = 0;
    HMENU holder = 0;
    unsigned command = 0;
};

ItemRef Resolve(const QStyleOption* option)
{
    ItemRef ref;
    const auto* action = qobject_cast<const QAction*>(option ? option->styleObject : nullptr);
    if (!action || !action->property(kMenuHandleProperty).isValid())
        return ref;
    ref.holder = HMENU(action->property(kMenuHandleProperty).value<quintptr>());
    ref.data = uintptr_t(action->data().value<quintptr>());
    ref.command = unsigned(action->property("qmCommand").value<quintptr>());
    ref.owner = BCMenu::FromHandlePermanent(ref.holder);
    if (!ref.data)
        ref.owner = nullptr;
    return ref;
}

} // namespace

BCMenuStyle::BCMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QSize BCMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                    const QWidget* widget) const
{
    if (type == CT_MenuItem) {
        const ItemRef ref = Resolve(option);
        if (ref.owner) {
            MEASUREITEMSTRUCT mis;
            mis.itemData = ref.data;
            ref.owner->MeasureItem(mis);
            // a zero width (separators) would hide the item; the menu widens every item anyway
            return QSize(std::max(1, int(mis.itemWidth)), int(mis.itemHeight));
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void BCMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    if (element == CE_MenuItem) {
        const ItemRef ref = Resolve(option);
        const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (ref.owner && mi) {
            platform::GdiCanvas dc(*painter);
            DRAWITEMSTRUCT dis;
            dis.itemID = ref.command;
            dis.hwndItem = ref.holder;
            dis.itemData = ref.data;
            dis.dc = &dc;
            dis.rcItem = {mi->rect.left(), mi->rect.top(), mi->rect.right() + 1, mi->rect.bottom() + 1};
            if (mi->state & State_Selected)
                dis.itemState |= ODS_SELECTED;
            if (!(mi->state & State_Enabled))
                dis.itemState |= ODS_GRAYED;
            if (mi->checkType != QStyleOptionMenuItem::NotCheckable && mi->checked)
                dis.itemState |= ODS_CHECKED;
            ref.owner->DrawItem(dis);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void BCMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    if (element == PE_PanelMenu || element == PE_FrameMenu) {
        // a plain raised menu frame on the menu colour
        platform::GdiCanvas dc(*painter);
        const QRect r = option->rect;
        const platform::Rect rc{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        if (element == PE_PanelMenu)
            dc.FillRect(rc, platform::GetSysColor(platform::COLOR_MENU));
        dc.DrawEdge(rc, platform::EDGE_RAISED, platform::BF_RECT);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int BCMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuPanelWidth: return 3;
    case PM_MenuHMargin: return 0;
    case PM_MenuVMargin: return 0;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
}
