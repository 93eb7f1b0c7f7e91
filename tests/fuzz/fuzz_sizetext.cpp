// Fuzzes the size text: any text as the byte count, checked against whole kilobytes worked out in long double,
// which holds every 64-bit count exactly.
#include "Module1.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::string result = quorrix::Module1::sizeText(text);

    // Text that is not a whole 64-bit decimal count counts as no size at all.
    std::int64_t bytes = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), bytes);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
        bytes = 0;

    // nearbyint rounds a half to the even neighbour in the default rounding mode.
    const long double kilobytes = std::nearbyint(static_cast<long double>(bytes) / 1024.0L);
    std::string expected = kilobytes == 0 ? std::string("0") : std::to_string(static_cast<std::int64_t>(kilobytes));
    expected += "KB";
    if (result != expected)
        std::abort();
    return 0;
}
