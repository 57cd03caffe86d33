#pragma once
#include "editor/menu/BCMenu.h"

#include <gtest/gtest.h>

// Every character 6 pixels wide, menu lines 20 pixels high.
class FixedMenuMetrics : public MenuMetrics {
public:
    int TextWidth(const std::wstring& text) const override { return 6 * int(text.size()); }
    int MenuHeight() const override { return 20; }
};

// Installs the fixed metrics and puts the process-wide menu settings back afterwards.
class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BCMenu::SetMetrics(&metrics_);
        BCMenu::SetDrawStyle(0);
        BCMenu::ResetSharedImages();
    }
    void TearDown() override
    {
        BCMenu::SetMetrics(nullptr);
        BCMenu::SetResourceLoader(nullptr);
        BCMenu::SetDrawStyle(0);
        BCMenu::s_nDrawStyleThemed = 1;
        BCMenu::ResetSharedImages();
    }
    static std::wstring ItemTextOf(const BCMenu& menu, size_t i) { return menu.Entries().at(i)->text; }

    FixedMenuMetrics metrics_;
};
