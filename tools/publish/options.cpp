#include "tools/publish/options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "protocol/version_answer.h"
#include "protocol/version_number.h"

const char kPublishUsage[] =
    "usage: pellis-publish --deploy DIR --bank 0xNNN --version A.B.C.D --update 0|1|2\n"
    "                      --url URL --files FOLDER [--edition-list FILE] --out RELEASE_DIR\n"
    "\n"
    "Builds and signs a release of the assistant.\n"
    "  --deploy DIR         deployment folder with signing.key.pem and signing.pub.pem\n"
    "  --bank 0xNNN         edition code, at most three hex digits (e.g. 0x811)\n"
    "  --version A.B.C.D    the release's version, four decimal fields of at most 65535\n"
    "  --update 0|1|2       update mode the server answers: 1 offers, 2 forces an update\n"
    "  --url URL            download base URL (http:// or https://) the client fetches from\n"
    "  --files FOLDER       the assistant's files as they lie in the install folder\n"
    "  --edition-list FILE  files (one relative path a line, '#' comments) of the edition\n"
    "                       manifest; all others go to the common manifest\n"
    "  --out RELEASE_DIR    new folder for release.json and download/; must not exist or be empty\n";

namespace {

constexpr unsigned kMaxBankId = 0xFFF;
const UpdateMode kUpdateModes[] = {kNoUpdate, kOfferUpdate, kForceUpdate};
const char* const kUrlSchemes[] = {"http://", "https://"};

bool ParseBankId(const std::string& text, uint32_t* bankId)
{
    const std::string digits = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0 ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, 16);
    if (value == 0 || value > kMaxBankId)
        return false;
    *bankId = static_cast<uint32_t>(value);
    return true;
}

bool IsUpdateMode(const std::string& text)
{
    for (const UpdateMode mode : kUpdateModes) {
        if (text == std::to_string(mode))
            return true;
    }
    return false;
}

// The client appends "/" and file names to the URL as it is.
bool IsDownloadUrl(const std::string& text)
{
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F)
            return false;
    }
    for (const char* scheme : kUrlSchemes) {
        const size_t length = std::strlen(scheme);
        if (text.compare(0, length, scheme) == 0 && text.size() > length)
            return true;
    }
    return false;
}

ParseResult Invalid(std::string* error, const std::string& why)
{
    *error = why;
    return ParseResult::Invalid;
}

}  // namespace

ParseResult ParsePublishOptions(int argc, const char* const* argv, PublishOptions* options, std::string* error)
{
    PublishOptions result;
    std::string bank;
    struct Field {
        const char* name;
        std::string* value;
        bool required;
    };
    const Field fields[] = {
        {"--deploy", &result.deployDir, true},
        {"--bank", &bank, true},
        {"--version", &result.version, true},
        {"--update", &result.updateMode, true},
        {"--url", &result.downloadUrl, true},
        {"--files", &result.filesDir, true},
        {"--edition-list", &result.editionList, false},
        {"--out", &result.outDir, true},
    };

    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h")
            return ParseResult::Help;
        const Field* field = std::find_if(std::begin(fields), std::end(fields),
                                          [&name](const Field& f) { return name == f.name; });
        if (field == std::end(fields))
            return Invalid(error, (name.rfind("--", 0) == 0 ? "unknown option " : "unexpected argument ") + name);
        if (i + 1 >= argc)
            return Invalid(error, "missing value for " + name);
        if (!given.insert(name).second)
            return Invalid(error, name + " given twice");
        *field->value = argv[++i];
        if (field->value->empty())
            return Invalid(error, "empty value for " + name);
    }
    for (const Field& field : fields) {
        if (field.required && given.count(field.name) == 0)
            return Invalid(error, std::string("missing ") + field.name);
    }

    if (!ParseBankId(bank, &result.bankId))
        return Invalid(error, "--bank must be an edition code of one to three hex digits, e.g. 0x811: " + bank);
    if (!IsReleaseVersionText(result.version))
        return Invalid(error, "--version must be four dotted decimal fields of at most 65535, e.g. 1.0.0.3: " + result.version);
    if (!IsUpdateMode(result.updateMode))
        return Invalid(error, "--update must be 0, 1 or 2: " + result.updateMode);
    if (!IsDownloadUrl(result.downloadUrl))
        return Invalid(error, "--url must be an http:// or https:// URL without blanks: " + result.downloadUrl);

    *options = result;
    return ParseResult::Publish;
}
