// Test entry for tests that need a display: one QApplication for all of them.
#include <QApplication>
#include <clocale>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strstr(argv[i], "gtest_list_tests"))
            return RUN_ALL_TESTS();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
