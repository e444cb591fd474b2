#include <QApplication>

#include <gtest/gtest.h>

// Every test program gets an application object, so widget tests and the
// event pump work; the platform is offscreen (set by CTest).
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
