// The window tests' program: one Qt application object for every test.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

int main(int argc, char** argv) {
    // Headless unless a display or a platform was chosen on purpose (a screenshot under Xvfb).
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
