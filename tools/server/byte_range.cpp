#include "tools/server/byte_range.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

namespace beast = boost::beast;

namespace {

constexpr beast::string_view kUnit = "bytes";

// Digits only; a number too large for 64 bits saturates, so that it still
// lies past the end of any file.
std::optional<uint64_t> ReadPosition(beast::string_view text)
{
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) return std::numeric_limits<uint64_t>::max();
    return value;
}

ByteRange Part(uint64_t first, uint64_t last)
{
    return {ByteRange::Kind::part, first, last};
}

}  // namespace

ByteRange ReadByteRange(beast::string_view header, uint64_t total)
{
    const ByteRange whole;
    const size_t equals = header.find('=');
    if (equals == beast::string_view::npos || !beast::iequals(header.substr(0, equals), kUnit)) return whole;
    const beast::string_view asked = header.substr(equals + 1);
    const size_t dash = asked.find('-');
    if (dash == beast::string_view::npos || asked.find(',') != beast::string_view::npos) return whole;

    if (dash == 0) {
        const std::optional<uint64_t> length = ReadPosition(asked.substr(1));
        if (!length) return whole;
        if (*length == 0) return {ByteRange::Kind::unsatisfiable};
        // No part of an empty file can be named: it is sent whole, empty.
        if (total == 0) return whole;
        return Part(total - std::min(*length, total), total - 1);
    }
    const std::optional<uint64_t> first = ReadPosition(asked.substr(0, dash));
    const beast::string_view last_text = asked.substr(dash + 1);
    const std::optional<uint64_t> last =
        last_text.empty() ? std::numeric_limits<uint64_t>::max() : ReadPosition(last_text);
    if (!first || !last || *last < *first) return whole;
    if (*first >= total) return {ByteRange::Kind::unsatisfiable};
    return Part(*first, std::min(*last, total - 1));
}
