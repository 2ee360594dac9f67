// Where Set.xml may lie: the candidate paths in search order, and the usual Linux search.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tandrel {

class SetXmlLocator {
public:
    virtual ~SetXmlLocator() = default;
    // Paths to try in order; the first one that opens as a regular file is the one read.
    virtual std::vector<std::string> candidates() const = 0;
};

// What the usual search takes from the environment. An empty text stands for an unset variable.
struct XdgEnvironment {
    std::string home;
    std::string configHome; // XDG_CONFIG_HOME
    std::string dataDirs;   // XDG_DATA_DIRS
};

// Beside the executable first, where the file has always lived; then the user's own copy; then
// the system copies, since a user cannot put a file beside a program installed in /usr/bin.
class StandardSetXmlLocator final : public SetXmlLocator {
public:
    // An empty executableDir leaves the first location out.
    StandardSetXmlLocator(std::string executableDir, XdgEnvironment environment);
    // The running executable's directory and this process's environment.
    static StandardSetXmlLocator forThisProcess();

    std::vector<std::string> candidates() const override;

private:
    std::string executableDir_;
    XdgEnvironment environment_;
};

// One file and nothing else: for tests, and for a user who names the file.
class FixedSetXmlLocator final : public SetXmlLocator {
public:
    explicit FixedSetXmlLocator(std::string path) : path_(std::move(path)) {}
    std::vector<std::string> candidates() const override { return {path_}; }

private:
    std::string path_;
};

} // namespace tandrel
