// Feeds arbitrary bytes to the stored-form decoder. Beyond not crashing,
// whatever it accepts must be a JSON text, must encode, and must read back
// from that encoding as the very same list, bit for bit, which encodes to
// the same bytes again. Any violation aborts, which libFuzzer reports as a
// finding with the input.

#include "model/AlarmCodec.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition, const char *property)
{
    if (condition)
        return;
    std::fprintf(stderr, "brisvane_decode_fuzzer: property violated: %s\n", property);
    std::abort();
}

bool sameBits(const Alarm &a, const Alarm &b)
{
    return a.id == b.id && std::memcmp(&a.fireDate, &b.fireDate, sizeof(double)) == 0
        && a.label == b.label && a.repeatsDaily == b.repeatsDaily && a.isEnabled == b.isEnabled
        && a.isSnooze == b.isSnooze;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QList<Alarm>> decoded = decodeAlarms(bytes);
    if (!decoded)
        return 0;
    check(nlohmann::json::accept(bytes.cbegin(), bytes.cend()), "accepts only JSON texts");

    const std::optional<QByteArray> encoded = encodeAlarms(*decoded);
    check(encoded.has_value(), "every accepted list encodes");
    const std::optional<QList<Alarm>> again = decodeAlarms(*encoded);
    check(again && again->size() == decoded->size(), "the encoding reads back");
    for (qsizetype i = 0; i < decoded->size(); ++i)
        check(sameBits(decoded->at(i), again->at(i)), "the encoding reads back bit for bit");
    check(encodeAlarms(*again) == encoded, "the encoding encodes to itself");
    return 0;
}
