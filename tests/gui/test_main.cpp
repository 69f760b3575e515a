#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("NUVEX_SYSTEM_ROOT", "/nonexistent/nuvex-test-without-sandbox", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nuvex"));
    return RUN_ALL_TESTS();
}
