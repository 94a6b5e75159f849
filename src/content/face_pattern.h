// The fontconfig side of outline fonts, kept apart from X: the faceName
// resource read as a pattern and checked, and the patterns that fallback
// fonts are matched from. Fontconfig only; no server is needed.
#pragma once

#include <fontconfig/fontconfig.h>

// Letters bigger than this would take memory without bound.
constexpr double kMaxFacePixelSize = 1000;  // pixels

enum FaceProblem : int {
  kFaceOk = 0,
  kFaceEmpty,         // nothing but blanks
  kFaceUnparsable,    // fontconfig cannot read it
  kFaceBadPixelSize,  // not a number of pixels, or above kMaxFacePixelSize
};

// What the warning says about the problem, after the quoted name.
const char* face_problem_text(FaceProblem problem);

// Reads a faceName value. On kFaceOk `*pattern` is the caller's to destroy;
// otherwise it is null. Fontconfig reads a pixel size that is no number
// as 0, which is refused here like any size outside (0, kMaxFacePixelSize].
FaceProblem parse_face_name(const char* name, FcPattern** pattern);

// The pixel size of a pattern after substitution, which turns a point
// size into pixels: kFaceOk when it is a usable size.
FaceProblem check_pixel_size(const FcPattern* pattern);

// The pattern fallbacks are matched from when the core font comes first:
// a monospaced font as tall as the core font's line, in two colours.
FcPattern* core_fallback_pattern(int pixel_size);

// A copy of `base` that asks for a font with this code point.
FcPattern* pattern_with_code_point(const FcPattern* base, char32_t code_point);

// Two colours unless the pattern asks for antialiasing itself.
void default_to_two_colours(FcPattern* pattern);
