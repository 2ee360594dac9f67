// Runs a module's Qt tests inside a QApplication.
#include <QApplication>
#include <gtest/gtest.h>

// A failed ASSERT in a lambda that an open menu or dialog runs leaves only the lambda: closing
// every window then ends the menu or dialog, so that the test fails instead of waiting for ever.
struct CloseWindowsOnFatalFailure : ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.fatally_failed()) {
            QApplication::closeAllWindows();
        }
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CloseWindowsOnFatalFailure);
    return RUN_ALL_TESTS();
}
