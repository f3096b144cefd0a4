#include "system/signer_name.h"

bool IsExpectedSigner(const std::string& expected, const std::vector<std::string>& commonNames)
{
    return !expected.empty() && commonNames.size() == 1 && commonNames.front() == expected;
}
