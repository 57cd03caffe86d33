#pragma once
#include "editor/menu/SysMenu.h"

#include <QMenu>

#include <functional>

class BCMenu;
class QMenuBar;

using MenuCommandHandler = std::function<void(unsigned command)>;

// A Qt popup showing one system menu whose items a BCMenu owner-draws. Its
// actions are rebuilt from the menu each time it opens, so check marks, states
// and changed items show as the menu holds them.
class OwnerDrawMenu : public QMenu {
    Q_OBJECT
public:
    OwnerDrawMenu(HMENU menu, MenuCommandHandler onCommand, QWidget* parent = nullptr);
    ~OwnerDrawMenu() override;

    HMENU Handle() const { return menu_; }
    void Rebuild();
    // The open Qt menu showing a system menu, or null.
    static OwnerDrawMenu* Showing(HMENU menu);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    HMENU menu_;
    MenuCommandHandler onCommand_;
};

// Fills a menu bar from a loaded BCMenu: the bar's string items become menus whose
// items are owner-drawn; a top-level command becomes a plain action.
void BuildMenuBar(BCMenu& menu, QMenuBar& bar, const MenuCommandHandler& onCommand);

// Property names on the actions (read by the style).
inline constexpr const char* kMenuHandleProperty = "qmMenuHandle";
