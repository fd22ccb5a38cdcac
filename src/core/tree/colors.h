// Node colours, stored as 0xBBGGRR values (red in the low byte).
#pragma once

#include <cstdint>

namespace zov {

using Color = std::uint32_t;

constexpr Color Rgb(unsigned red, unsigned green, unsigned blue) {
  return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr unsigned RedOf(Color c) { return c & 0xFFu; }
constexpr unsigned GreenOf(Color c) { return (c >> 8) & 0xFFu; }
constexpr unsigned BlueOf(Color c) { return (c >> 16) & 0xFFu; }

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kGrey = 0xBBBBBB;

// The colours a node is created with.
inline constexpr Color kDefaultForeColor = kBlack;
inline constexpr Color kDefaultBackColor = kWhite;

// Marks.
inline constexpr Color kNotLinkedRootFore = kWhite;
inline constexpr Color kNotLinkedRootBack = kRed;
inline constexpr Color kSelectedFore = kBlue;  // a node chosen for testing
inline constexpr Color kSelectedBack = kGrey;
inline constexpr Color kStartStopBack = Rgb(255, 0, 0);  // the start and stop nodes of a selection
inline constexpr Color kRedBranchFore = kRed;            // weights to be checked
inline constexpr Color kNormalBranchFore = kBlack;
inline constexpr Color kSelectionLeafFore = Rgb(0, 128, 0);  // a leaf of the selection, its absolute weight set
inline constexpr Color kExcludedFore = Rgb(255, 0, 0);       // left out by the coverage criterion
inline constexpr Color kLocatedGreen = Rgb(128, 255, 128);
inline constexpr Color kLocatedBlue = Rgb(128, 128, 255);
inline constexpr Color kLocatedCleared = Rgb(255, 255, 255);

static_assert(kExcludedFore == kRed);
static_assert(kLocatedBlue == 0xFF8080);

}  // namespace zov
