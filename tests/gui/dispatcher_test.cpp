#include "platform/GuiDispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(GuiDispatcher, PostedCallablesRunOnTheGuiThreadInOrder)
{
    platform::InitGuiDispatcher();
    std::vector<int> order;
    std::atomic<bool> allOnGui{true};
    std::thread poster([&] {
        for (int i = 0; i < 50; ++i)
            EXPECT_TRUE(platform::PostToGui([&, i] {
                allOnGui = allOnGui && platform::IsGuiThread();
                order.push_back(i);
            }));
    });
    poster.join();  // posting never waited for the GUI thread
    QElapsedTimer t;
    t.start();
    while (order.size() < 50 && t.elapsed() < 5000)
        QCoreApplication::processEvents();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnGui);
}
