// Command line of pellis-publish.
#pragma once

#include <cstdint>
#include <string>

struct PublishOptions {
    std::string deployDir;    // holds signing.key.pem and signing.pub.pem
    uint32_t bankId = 0;      // at most three hex digits: it names Digest_%03x.xml
    std::string version;      // four dotted decimal fields, e.g. "1.0.0.3"
    std::string updateMode;   // "0", "1" or "2", as the server answers it
    std::string downloadUrl;  // base URL of the download area
    std::string filesDir;     // the assistant's files as they lie in the install folder
    std::string editionList;  // optional: files of the edition manifest
    std::string outDir;       // the release; must not exist or be empty
};

enum class ParseResult { Publish, Help, Invalid };

// Every option is "--name value"; all but --edition-list are required. On
// Invalid, `error` says why.
ParseResult ParsePublishOptions(int argc, const char* const* argv, PublishOptions* options, std::string* error);

extern const char kPublishUsage[];
