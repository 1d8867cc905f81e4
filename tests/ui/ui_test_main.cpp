#include <gtest/gtest.h>

#include <QApplication>

// The application exists only when tests run, so that listing the tests
// (as CTest's discovery does) needs no display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
