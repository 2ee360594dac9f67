// The Set.xml look-ups over arbitrary file contents, with the codes taken from the input.
#include "NameTables.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return 0;
    }
    const int switchCode = codeFrom(data);
    const int colourCode = codeFrom(data + 4);
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data + 8, 1, size - 8, file);
    std::fclose(file);

    const tandrel::FixedSetXmlLocator locator(scratchPath());
    const tandrel::NameTables tables(locator);
    // Small codes as well, so that the entries the fuzzer writes can match.
    for (int code : {switchCode, switchCode % 8, -1}) {
        tables.LookUpSwitchName(code);
    }
    for (int code : {colourCode, colourCode % 8}) {
        tables.LookUpColourName(code);
    }
    tandrel::listSetXml(locator);
    return 0;
}
