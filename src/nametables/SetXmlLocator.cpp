// The usual Linux search for Set.xml.
#include "SetXmlLocator.h"

#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace tandrel {
namespace {

constexpr std::string_view kFileName = "Set.xml";
constexpr std::string_view kInAppDir = "tandrel/Set.xml";
constexpr std::string_view kDefaultDataDirs = "/usr/local/share:/usr/share";

// Relative paths in the XDG variables are invalid and are ignored, as the XDG rules ask.
bool isAbsolute(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

std::string joinPath(std::string_view dir, std::string_view tail) {
    while (dir.size() > 1 && dir.back() == '/') {
        dir.remove_suffix(1);
    }
    std::string joined(dir);
    if (joined.back() != '/') {
        joined += '/';
    }
    joined += tail;
    return joined;
}

std::string executablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

StandardSetXmlLocator::StandardSetXmlLocator(std::string executableDir, XdgEnvironment environment)
    : executableDir_(std::move(executableDir)), environment_(std::move(environment)) {}

StandardSetXmlLocator StandardSetXmlLocator::forThisProcess() {
    const std::string exe = executablePath();
    const std::size_t slash = exe.rfind('/');
    std::string dir;
    if (slash != std::string::npos) {
        dir = slash == 0 ? std::string("/") : exe.substr(0, slash);
    }
    return StandardSetXmlLocator(std::move(dir),
                                 {environmentValue("HOME"), environmentValue("XDG_CONFIG_HOME"),
                                  environmentValue("XDG_DATA_DIRS")});
}

std::vector<std::string> StandardSetXmlLocator::candidates() const {
    std::vector<std::string> paths;
    if (!executableDir_.empty()) {
        paths.push_back(joinPath(executableDir_, kFileName));
    }

    if (isAbsolute(environment_.configHome)) {
        paths.push_back(joinPath(environment_.configHome, kInAppDir));
    } else if (isAbsolute(environment_.home)) {
        paths.push_back(joinPath(joinPath(environment_.home, ".config"), kInAppDir));
    }

    std::string_view dirs =
        environment_.dataDirs.empty() ? kDefaultDataDirs : std::string_view(environment_.dataDirs);
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        if (isAbsolute(dir)) {
            paths.push_back(joinPath(dir, kInAppDir));
        }
        dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
    }
    return paths;
}

} // namespace tandrel
