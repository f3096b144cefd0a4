#include "tools/server/download_area.h"

#include <algorithm>

#include "tools/server/gbk_text.h"
#include "tools/server/url_path.h"

namespace fs = std::filesystem;

namespace {

bool IsInside(const fs::path& path, const fs::path& root)
{
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

DownloadArea::DownloadArea(const fs::path& root, std::string_view url_path)
{
    std::error_code ec;
    root_ = fs::canonical(root, ec);
    prefix_ = NormalisePath(url_path);
    if (prefix_.empty() || prefix_.back() != '/') prefix_ += '/';
}

std::optional<fs::path> DownloadArea::Find(std::string_view request_path) const
{
    // Decoded from GBK before separators are read: a GBK trail byte may be 0x5C.
    const std::string decoded = PercentDecode(request_path);
    if (std::optional<fs::path> file = FindNormalised(NormaliseSeparators(decoded))) return file;
    // The downloader turns manifest names into GBK before it builds URLs,
    // while the release's files carry their names in UTF-8.
    if (IsAscii(decoded)) return std::nullopt;
    const std::optional<std::string> utf8 = GbkToUtf8(decoded);
    return utf8 ? FindNormalised(NormaliseSeparators(*utf8)) : std::nullopt;
}

std::optional<fs::path> DownloadArea::FindNormalised(const std::string& path) const
{
    if (root_.empty() || path.compare(0, prefix_.size(), prefix_) != 0) return std::nullopt;

    fs::path candidate = root_;
    size_t start = prefix_.size();
    while (start < path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string segment = path.substr(start, end - start);
        if (segment == "." || segment == ".." || segment.find('\0') != std::string::npos) return std::nullopt;
        if (!segment.empty()) candidate /= segment;
        start = end + 1;
    }

    std::error_code ec;
    const fs::path real = fs::canonical(candidate, ec);
    if (ec || !IsInside(real, root_) || !fs::is_regular_file(real, ec)) return std::nullopt;
    return real;
}
