// The main of the test programs that show no window (gui/test_main.cpp starts Qt first).

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Never let a test reach the real home directory, even one that forgets its sandbox.
    setenv("NUVEX_SYSTEM_ROOT", "/nonexistent/nuvex-test-without-sandbox", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
