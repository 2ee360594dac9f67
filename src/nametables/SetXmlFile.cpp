// Opening the first usable Set.xml candidate and reading it with a size bound.
#include "SetXmlFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tandrel {
namespace setxml {
namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

private:
    int fd_;
};

UniqueFd openFirstCandidate(const SetXmlLocator& locator, SetXmlSearch& search) {
    search = {};
    for (std::string& path : locator.candidates()) {
        CandidateCheck check{path, CandidateState::Used, 0};
        // Non-blocking, so that a FIFO planted under the name cannot stall the look-up.
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        struct stat status = {};
        if (fd.get() < 0) {
            check.error = errno;
            check.state = (check.error == ENOENT || check.error == ENOTDIR)
                              ? CandidateState::Absent
                              : CandidateState::Unreadable;
        } else if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
            check.state = CandidateState::NotAFile;
        }
        search.tried.push_back(check);
        if (check.state == CandidateState::Used) {
            search.used = std::move(path);
            return fd;
        }
    }
    return UniqueFd();
}

// A read error ends the text where it happened, as if the file ended there.
std::string readBounded(int fd, bool& cut) {
    std::string raw;
    std::array<char, 64 * 1024> chunk{};
    while (raw.size() <= kMaxSetXmlBytes) {
        const std::size_t wanted = std::min(chunk.size(), kMaxSetXmlBytes + 1 - raw.size());
        const ssize_t got = ::read(fd, chunk.data(), wanted);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        raw.append(chunk.data(), static_cast<std::size_t>(got));
    }
    cut = raw.size() > kMaxSetXmlBytes;
    if (cut) {
        raw.resize(kMaxSetXmlBytes);
    }
    return raw;
}

} // namespace

std::optional<FileText> readSetXml(const SetXmlLocator& locator, SetXmlSearch& search) {
    const UniqueFd fd = openFirstCandidate(locator, search);
    if (fd.get() < 0) {
        return std::nullopt;
    }
    FileText file;
    file.path = *search.used;
    file.bytes = readBounded(fd.get(), file.cutAtSizeLimit);
    return file;
}

std::string normalisedLikeParserLoad(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t cr = std::min(bytes.find('\r', start), bytes.size());
        text.append(bytes, start, cr - start);
        if (cr == bytes.size()) {
            break;
        }
        text.push_back('\n');
        start = cr + (bytes.substr(cr + 1, 1) == "\n" ? 2 : 1);
    }
    return text;
}

} // namespace setxml

SetXmlSearch locateSetXml(const SetXmlLocator& locator) {
    SetXmlSearch search;
    setxml::openFirstCandidate(locator, search);
    return search;
}

} // namespace tandrel
