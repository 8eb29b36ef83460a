#pragma once

#include <QImage>

#include <functional>

namespace vq {

class ProgressSink;
class Settings;

// How a blur treats the pixels of its region: "Bokashi" "BlockW" and "Type".
struct BlurSettings {
    int blockSize = 10; // block side (simple, average) or random range, 2..100
    int type = 0;       // 0 simple, 1 average, 2 random
};

// The stored blur settings, read afresh so a change in the dialog applies to
// the next blur; out-of-range values are brought into range.
[[nodiscard]] BlurSettings ReadBlurSettings(const Settings& settings);
[[nodiscard]] BlurSettings ReadBlurSettings();
void WriteBlurSettings(Settings& settings, const BlurSettings& blur);

// A source of non-negative pseudo-random integers 0..32767, like rand().
using RandomSource = std::function<int()>;
// The program's generator, seeded from the current time in seconds.
[[nodiscard]] RandomSource TimeSeededRandom();

// Blurs `region` in place with the method and block size of `settings`,
// reporting to `progress` (may be null) at most 100 times per pass. Works on
// whole rows; the image is brought to 32-bit RGB first. False only when the
// region could not be had (a null image or no memory for it).
bool BlurBitmap(QImage& region, const BlurSettings& settings, const RandomSource& random, ProgressSink* progress);

} // namespace vq
