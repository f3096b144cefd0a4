// The release a server publishes, as the publishing tool lays it out:
//   DIR/release.json   {"bank":"811","v":"1.0.0.3","update":"1","url":"https://host/download/811"}
//   DIR/download/      the two manifests and the component files at their relative paths
#pragma once

#include <string>

struct Release {
    std::string bank;     // "%x" of the bank id, as the version query carries it
    std::string version;  // "v" of the answer
    std::string update;   // "update" of the answer
    std::string url;      // "url" of the answer; files are served below its path
    std::string download_dir;
};

// False, with a reason, when release.json is missing, not an object of four
// strings, its url not http(s), or DIR/download not a folder.
bool LoadRelease(const std::string& dir, Release* release, std::string* error);
