// The application name shown as message box caption.
#include "AppName.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

TEST(ApplicationName, ExecutableFileNameWithoutItsExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/tandrel", "tandrel"},
        {"/opt/tools/Tandrel.exe", "Tandrel"},
        {"/home/me/pair.tool.bin", "pair.tool"},
        {"/home/v1.2/tandrel", "tandrel"}, // a dot in a directory is not an extension
        {"/home/me/.tandrel", ".tandrel"}, // nor is a leading dot
        {"tandrel.", "tandrel"},
        {"Tandrel.exe", "Tandrel"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(applicationNameFromExecutable(QString::fromUtf8(path)), QString::fromUtf8(name))
            << path;
    }
}

} // namespace
} // namespace tandrel
