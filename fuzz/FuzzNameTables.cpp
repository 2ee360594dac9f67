// The Set.xml look-ups over arbitrary file contents, with the codes taken from the input. Tables
// kept from an earlier reading must answer exactly as a fresh parse does, before and after an edit.
#include "NameTables.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Two codes, then where the edit falls and the bits it flips.
constexpr std::size_t kHeaderSize = 10;

// One file per fuzzing process, rewritten for every input: the look-ups read files by path.
const std::string& scratchPath() {
    static const std::string path = "/tmp/tandrel-fuzz-" + std::to_string(getpid()) + ".xml";
    return path;
}

int codeFrom(const std::uint8_t* data) {
    std::int32_t code = 0;
    std::memcpy(&code, data, sizeof code);
    return code;
}

bool writeScratch(const std::string& bytes) {
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return true;
}

// A flip of no bits leaves the bytes as they were, so that the kept tables serve.
std::string flipped(std::string bytes, std::uint8_t where, std::uint8_t bits) {
    if (!bytes.empty()) {
        bytes[where * bytes.size() / 256] ^= static_cast<char>(bits);
    }
    return bytes;
}

void expectSame(const std::u16string& kept, const std::u16string& fresh) {
    if (kept != fresh) {
        std::fputs("the kept tables and a fresh parse disagree\n", stderr);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) {
        return 0;
    }
    const int switchCode = codeFrom(data);
    const int colourCode = codeFrom(data + 4);
    const std::string text(reinterpret_cast<const char*>(data) + kHeaderSize, size - kHeaderSize);
    const std::string edited = flipped(text, data[8], data[9]);

    static const tandrel::FixedSetXmlLocator locator(scratchPath());
    // Lives across inputs, so that it also meets the bytes of the input before.
    static const tandrel::NameTables kept(locator);
    for (const std::string* bytes : {&text, &edited, &text}) {
        if (!writeScratch(*bytes)) {
            return 0;
        }
        const tandrel::NameTables fresh(locator);
        // Small codes as well, so that the entries the fuzzer writes can match.
        for (int code : {switchCode, switchCode % 8, -1}) {
            expectSame(kept.LookUpSwitchName(code), fresh.LookUpSwitchName(code));
        }
        for (int code : {colourCode, colourCode % 8}) {
            expectSame(kept.LookUpColourName(code), fresh.LookUpColourName(code));
        }
    }
    tandrel::listSetXml(locator);
    return 0;
}
