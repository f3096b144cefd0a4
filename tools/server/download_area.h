// Maps request paths to files of a release's download folder, never to
// anything outside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class DownloadArea {
public:
    // `url_path` is the path of the release's download URL ("/download/811").
    DownloadArea(const std::filesystem::path& root, std::string_view url_path);

    // The regular file that `request_path` names below url_path, in any of the
    // separator forms NormalisePath accepts, its names in UTF-8 or GBK. Nothing
    // for "." or ".." segments, folders, missing files, and links that lead out
    // of the folder.
    std::optional<std::filesystem::path> Find(std::string_view request_path) const;

private:
    std::optional<std::filesystem::path> FindNormalised(const std::string& path) const;

    std::filesystem::path root_;  // canonical
    std::string prefix_;          // normalised url_path + "/"
};
