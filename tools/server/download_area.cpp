#include "tools/server/download_area.h"

#include <iconv.h>

#include <algorithm>
#include <memory>

#include "tools/server/url_path.h"

namespace fs = std::filesystem;

namespace {

bool IsInside(const fs::path& path, const fs::path& root)
{
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

// The downloader turns manifest names into the ANSI code page (GBK) before it
// builds URLs, while the release's files carry their names in UTF-8.
std::optional<std::string> GbkToUtf8(const std::string& text)
{
    const iconv_t opened = iconv_open("UTF-8", "GBK");
    if (opened == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    const std::unique_ptr<void, int (*)(iconv_t)> converter(opened, iconv_close);
    std::string in = text;
    std::string out(text.size() * 2, '\0');  // a GBK pair becomes at most three UTF-8 bytes
    char* in_next = in.data();
    size_t in_left = in.size();
    char* out_next = out.data();
    size_t out_left = out.size();
    if (iconv(opened, &in_next, &in_left, &out_next, &out_left) == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
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
