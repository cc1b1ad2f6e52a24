#pragma once
// Counters that libFuzzer reads beside its own coverage. libjpeg and Qt are
// built without coverage, so what they report back (an error number, a
// warning) is the only sign that an input found a new path through them.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvex::fuzz {

inline constexpr std::size_t OutcomeSlots = 512;

// libFuzzer finds this section by its start and stop symbols and clears it
// before every run; without redzones the counters lie back to back.
__attribute__((section("__libfuzzer_extra_counters"), used,
               no_sanitize("address"))) static uint8_t outcomeCounters[OutcomeSlots];

static inline void noteOutcome(std::size_t value) {
    uint8_t& counter = outcomeCounters[value % OutcomeSlots];
    if (counter != 255) ++counter;
}

// Digits are left out: offsets and sizes in a message change from input to
// input without the input having taken another path.
static inline void noteMessage(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (const char c : text)
        if (c < '0' || c > '9') hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    noteOutcome(hash);
}

}  // namespace korvex::fuzz
