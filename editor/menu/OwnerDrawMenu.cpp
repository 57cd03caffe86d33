#include "editor/menu/OwnerDrawMenu.h"

#include "editor/menu/BCMenu.h"
#include "editor/menu/BCMenuStyle.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QPointer>
#include <QStyleOptionMenuItem>

#include <map>

namespace {

std::map<HMENU, OwnerDrawMenu*>& Open()
{
    static std::map<HMENU, OwnerDrawMenu*> open;
    return open;
}

// One style for every owner-drawn menu, deleted with the application.
BCMenuStyle* SharedStyle()
{
    static QPointer<BCMenuStyle> style;
    if (!style) {
        style = new BCMenuStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

QString TextOf(const SysMenuItem& item)
{
    if (const auto* e = reinterpret_cast<const BCMenuEntry*>(item.data))
        return QString::fromStdWString(e->text);
    return QString::fromStdWString(item.text);
}

} // namespace

OwnerDrawMenu::OwnerDrawMenu(HMENU menu, MenuCommandHandler onCommand, QWidget* parent)
    : QMenu(parent), menu_(menu), onCommand_(std::move(onCommand))
{
    setStyle(SharedStyle());
    QPalette pal = palette();
    const COLORREF back = platform::GetSysColor(platform::COLOR_MENU);
    pal.setColor(QPalette::Window, QColor(platform::GetR(back), platform::GetG(back), platform::GetB(back)));
    setPalette(pal);
    Open()[menu_] = this;
    connect(this, &QMenu::aboutToShow, this, &OwnerDrawMenu::Rebuild);
    Rebuild();
}

OwnerDrawMenu::~OwnerDrawMenu()
{
    auto it = Open().find(menu_);
    if (it != Open().end() && it->second == this)
        Open().erase(it);
}

OwnerDrawMenu* OwnerDrawMenu::Showing(HMENU menu)
{
    auto it = Open().find(menu);
    return it == Open().end() ? nullptr : it->second;
}

void OwnerDrawMenu::Rebuild()
{
    for (QAction* a : actions())
        if (QMenu* sub = a->menu())
            sub->deleteLater();
    clear();
    const int count = sysmenu::GetMenuItemCount(menu_);
    for (int i = 0; i < count; ++i) {
        const SysMenuItem item = *sysmenu::FindItem(menu_, unsigned(i), MF_BYPOSITION);
        QAction* action = nullptr;
        if (item.flags & MF_POPUP) {
            auto* sub = new OwnerDrawMenu(HMENU(item.id), onCommand_, this);
            sub->setTitle(TextOf(item));
            action = addMenu(sub);
        } else if (item.flags & MF_SEPARATOR) {
            action = addSeparator();
        } else {
            action = addAction(TextOf(item));
            const unsigned id = unsigned(item.id);
            connect(action, &QAction::triggered, this, [this, id] {
                if (onCommand_)
                    onCommand_(id);
            });
        }
        action->setCheckable((item.flags & MF_CHECKED) != 0);
        action->setChecked((item.flags & MF_CHECKED) != 0);
        action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
        action->setData(QVariant::fromValue<quintptr>(item.data));
        action->setProperty(kMenuHandleProperty, QVariant::fromValue<quintptr>(menu_));
        action->setProperty("qmCommand", QVariant::fromValue<quintptr>(item.id));
    }
}

void OwnerDrawMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    // the style finds the item's record through the action
    option->styleObject = const_cast<QAction*>(action);
}

void BuildMenuBar(BCMenu& menu, QMenuBar& bar, const MenuCommandHandler& onCommand)
{
    bar.clear();
    const HMENU h = menu.GetSafeHmenu();
    const int count = sysmenu::GetMenuItemCount(h);
    for (int i = 0; i < count; ++i) {
        const SysMenuItem item = *sysmenu::FindItem(h, unsigned(i), MF_BYPOSITION);
        const QString text = TextOf(item);
        if (item.flags & MF_POPUP) {
            auto* popup = new OwnerDrawMenu(HMENU(item.id), onCommand, &bar);
            popup->setTitle(text);
            bar.addMenu(popup);
        } else if (!(item.flags & MF_SEPARATOR)) {
            const unsigned id = unsigned(item.id);
            QObject::connect(bar.addAction(text), &QAction::triggered, &bar, [onCommand, id] {
                if (onCommand)
                    onCommand(id);
            });
        }
    }
    sysmenu::SetItemRectLookup([](HMENU m, int position, platform::Rect& out) {
        OwnerDrawMenu* qm = OwnerDrawMenu::Showing(m);
        if (!qm || !qm->isVisible() || position < 0 || position >= qm->actions().size())
            return false;
        const QRect g = qm->actionGeometry(qm->actions().at(position));
        const QPoint tl = qm->mapToGlobal(g.topLeft());
        out = {tl.x(), tl.y(), tl.x() + g.width(), tl.y() + g.height()};
        return true;
    });
}
