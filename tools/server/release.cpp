#include "tools/server/release.h"

#include <filesystem>
#include <sstream>

#include <json/json.h>

#include "system/whole_file.h"
#include "tools/server/url_path.h"

namespace {

constexpr char kReleaseFile[] = "/release.json";
constexpr char kDownloadFolder[] = "/download";

bool ReadMember(const Json::Value& root, const char* name, std::string* value, std::string* error)
{
    const Json::Value& member = root[name];
    if (!member.isString()) {
        *error = std::string("release.json: \"") + name + "\" must be a string";
        return false;
    }
    *value = member.asString();
    return true;
}

}  // namespace

bool LoadRelease(const std::string& dir, Release* release, std::string* error)
{
    const std::string path = dir + kReleaseFile;
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        *error = "cannot read " + path;
        return false;
    }
    Json::Value root;
    std::string parse_errors;
    std::istringstream in(text);
    try {
        if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &parse_errors) || !root.isObject()) {
            *error = path + " is not a JSON object " + parse_errors;
            return false;
        }
    } catch (const Json::Exception& e) {
        // jsoncpp throws where nesting passes its stack limit; uncaught, one
        // bad publication would end the server instead of being refused.
        *error = path + " is nested deeper than the JSON reader allows (" + e.what() + ")";
        return false;
    }
    Release loaded;
    if (!ReadMember(root, "bank", &loaded.bank, error) || !ReadMember(root, "v", &loaded.version, error) ||
        !ReadMember(root, "update", &loaded.update, error) || !ReadMember(root, "url", &loaded.url, error)) {
        return false;
    }
    if (SplitTarget(loaded.url).host.empty()) {
        *error = "release.json: \"url\" must be an http:// or https:// URL with a host";
        return false;
    }
    loaded.download_dir = dir + kDownloadFolder;
    std::error_code ec;
    if (!std::filesystem::is_directory(loaded.download_dir, ec)) {
        *error = loaded.download_dir + " is not a folder";
        return false;
    }
    *release = std::move(loaded);
    return true;
}
