#include "tools/server/gbk_text.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
// A GBK pair becomes at most three UTF-8 bytes, a single byte one.
constexpr size_t kGrowth = 2;

struct IconvCloser {
    void operator()(void* converter) const { iconv_close(static_cast<iconv_t>(converter)); }
};
using Converter = std::unique_ptr<void, IconvCloser>;

Converter Open(const char* to, const char* from)
{
    const iconv_t opened = iconv_open(to, from);
    return Converter(opened == reinterpret_cast<iconv_t>(-1) ? nullptr : opened);
}

// Converts all of `text`; with `replace`, each byte that does not convert
// becomes U+FFFD and conversion goes on after it, else nothing comes back.
std::optional<std::string> Convert(const char* from, std::string_view text, bool replace)
{
    const Converter converter = Open("UTF-8", from);
    if (!converter) return std::nullopt;
    std::string in(text);
    char* in_next = in.data();
    size_t in_left = in.size();
    std::string out;
    size_t produced = 0;
    while (in_left > 0) {
        // Room for the rest, and for a replacement if the next byte fails.
        out.resize(produced + in_left * kGrowth + sizeof kReplacement);
        char* out_next = out.data() + produced;
        size_t out_left = out.size() - produced;
        const size_t result = iconv(static_cast<iconv_t>(converter.get()), &in_next, &in_left, &out_next, &out_left);
        produced = out.size() - out_left;
        if (result != static_cast<size_t>(-1)) break;
        if (!replace || errno == E2BIG) return std::nullopt;
        // EILSEQ (no character of `from`) or EINVAL (cut short at the end).
        out.replace(produced, sizeof kReplacement - 1, kReplacement);
        produced += sizeof kReplacement - 1;
        ++in_next;
        --in_left;
    }
    out.resize(produced);
    return out;
}

}  // namespace

std::optional<std::string> GbkToUtf8(std::string_view gbk)
{
    return Convert("GBK", gbk, false);
}

std::string ReadableUtf8(std::string_view bytes)
{
    // glibc's UTF-8 decoder refuses overlong forms, surrogates and stray bytes.
    if (Convert("UTF-8", bytes, false)) return std::string(bytes);
    return Convert("GBK", bytes, true).value_or(std::string());
}
