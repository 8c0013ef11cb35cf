#include "RingTone.h"

#include <algorithm>
#include <cmath>

namespace veltro::art {

std::vector<std::int16_t> RingTone(int rate) {
    struct Note {
        double start;  // seconds
        double frequency;
    };
    // E6 G6 C7 G6, twice: a bright, friendly figure that is clearly a phone.
    const Note notes[] = {{0.00, 1318.51}, {0.16, 1567.98}, {0.32, 2093.00}, {0.48, 1567.98},
                          {1.10, 1318.51}, {1.26, 1567.98}, {1.42, 2093.00}, {1.58, 1567.98}};
    const double length = 3.0;
    const auto count = static_cast<std::size_t>(length * rate);
    std::vector<double> mix(count, 0.0);
    const double pi = std::acos(-1.0);
    for (const Note& note : notes) {
        const auto first = static_cast<std::size_t>(note.start * rate);
        for (std::size_t i = first; i < count; ++i) {
            const double t = static_cast<double>(i - first) / rate;
            const double attack = std::min(1.0, t / 0.004);
            // A bell: the fundamental rings longest, the upper partials die quickly.
            const double tone =
                std::sin(2 * pi * note.frequency * t) * std::exp(-t / 0.45) +
                0.30 * std::sin(2 * pi * 2.0 * note.frequency * t) * std::exp(-t / 0.12) +
                0.12 * std::sin(2 * pi * 3.01 * note.frequency * t) * std::exp(-t / 0.05);
            mix[i] += attack * tone;
        }
    }
    double peak = 0;
    for (const double v : mix) {
        peak = std::max(peak, std::abs(v));
    }
    // The tail fades to silence so the loop joins without a click.
    const double fadeFrom = length - 0.3;
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double fade = t < fadeFrom ? 1.0 : std::max(0.0, (length - t) / 0.3);
        samples[i] = static_cast<std::int16_t>(std::lround(mix[i] / peak * 0.7 * 32767 * fade));
    }
    return samples;
}

}  // namespace veltro::art
