#include "platform/Services.h"

#include "platform/shared/Text.h"

#include <chrono>
#include <random>

namespace platform {

std::u16string_view App::Title() { return ROPI_APP_TITLE; }
std::int16_t App::Major() { return ROPI_VERSION_MAJOR; }
std::int16_t App::Minor() { return ROPI_VERSION_MINOR; }
std::int16_t App::Revision() { return ROPI_VERSION_PATCH; }

namespace {

std::mt19937_64 &generator()
{
    static std::mt19937_64 engine(std::random_device{}());
    return engine;
}

} // namespace

void Randomize()
{
    Randomize(static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

void Randomize(std::uint64_t seed) { generator().seed(seed); }

double Rnd()
{
    // 53 random bits scaled by 2^-53: every value is exact and below 1.
    return static_cast<double>(generator()() >> 11) * 0x1.0p-53;
}

std::u16string Str(long number)
{
    std::u16string text = CStr(number);
    if (number >= 0)
        text.insert(text.begin(), u' ');
    return text;
}

std::u16string CStr(long number) { return fromUtf8(std::to_string(number)); }

} // namespace platform
