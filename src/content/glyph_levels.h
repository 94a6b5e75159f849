// Grey levels of antialiased glyphs, kept apart from X. A glyph pixel read
// back from the server lies between the paper and the ink colour; it is
// quantised to one of a few levels so that the display list stays compact.
// A run's `ink` value is then 0 for paper, 1 for full ink and
// kFirstGrey + g for grey g (0 the lightest).
#pragma once

#include <cstdint>

constexpr int kPaperInk = 0;
constexpr int kFullInk = 1;
constexpr int kFirstGrey = 2;
constexpr int kGreyLevels = 3;                   // greys between paper and ink
constexpr int kCoverageSteps = kGreyLevels + 1;  // paper, the greys, ink

// How the pixels of a true-colour visual are made of their channels.
struct PixelChannels {
  unsigned long red_mask, green_mask, blue_mask;
};

// The run value of a pixel between `paper` and `ink`: the channel that
// tells the two colours apart best gives the coverage, rounded to a step.
// A pixel equal to the paper is always paper.
int pixel_ink_level(unsigned long pixel, unsigned long ink, unsigned long paper,
                    const PixelChannels& channels);

// The share of ink in grey g, in 1/kCoverageSteps: g + 1.
inline int grey_coverage(int grey) {
  return grey + 1;
}

// A 16-bit colour channel `coverage` steps of kCoverageSteps from paper to ink.
std::uint16_t blend_channel(std::uint16_t paper, std::uint16_t ink, int coverage);
