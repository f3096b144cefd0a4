// The opened answer's JSON and the version texts inside it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/version_answer.h"
#include "protocol/version_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    VersionAnswer answer;
    if (ParseVersionAnswer(text, &answer)) {
        UpdateModeFromText(answer.updateText);
        ParseVersion(answer.version);
    }
    ParseVersion(text);
    return 0;
}
