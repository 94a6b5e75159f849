// faceName patterns and fallback patterns, with fontconfig alone.
#include "content/face_pattern.h"

#include <cmath>

namespace {

bool blank(const char* text) {
  for (; *text; ++text) {
    if (*text != ' ' && *text != '\t') return false;
  }
  return true;
}

bool usable_size(double pixels) {
  return std::isfinite(pixels) && pixels > 0 && pixels <= kMaxFacePixelSize;
}

// Every pixel size the pattern holds; fine when it holds none.
FaceProblem check_sizes(const FcPattern* pattern) {
  auto* p = const_cast<FcPattern*>(pattern);  // fontconfig only reads it
  FcValue value;
  for (int i = 0; FcPatternGet(p, FC_PIXEL_SIZE, i, &value) == FcResultMatch; ++i) {
    double pixels = value.type == FcTypeDouble    ? value.u.d
                    : value.type == FcTypeInteger ? value.u.i
                                                  : 0;
    if (!usable_size(pixels)) return kFaceBadPixelSize;
  }
  return kFaceOk;
}

}  // namespace

const char* face_problem_text(FaceProblem problem) {
  switch (problem) {
    case kFaceEmpty:
      return "is empty";
    case kFaceUnparsable:
      return "is not a fontconfig pattern";
    case kFaceBadPixelSize:
      return "does not give a pixel size from 1 to 1000";
    case kFaceOk:
      break;
  }
  return "is fine";
}

FaceProblem parse_face_name(const char* name, FcPattern** pattern) {
  *pattern = nullptr;
  if (!name || blank(name)) return kFaceEmpty;
  FcPattern* parsed = FcNameParse(reinterpret_cast<const FcChar8*>(name));
  if (!parsed) return kFaceUnparsable;
  if (FaceProblem problem = check_sizes(parsed); problem != kFaceOk) {
    FcPatternDestroy(parsed);
    return problem;
  }
  *pattern = parsed;
  return kFaceOk;
}

FaceProblem check_pixel_size(const FcPattern* pattern) {
  double pixels = 0;
  if (FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &pixels) != FcResultMatch) {
    return kFaceBadPixelSize;
  }
  return usable_size(pixels) ? kFaceOk : kFaceBadPixelSize;
}

FcPattern* core_fallback_pattern(int pixel_size) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixel_size);
  FcPatternAddBool(pattern, FC_ANTIALIAS, FcFalse);
  return pattern;
}

FcPattern* pattern_with_code_point(const FcPattern* base, char32_t code_point) {
  FcPattern* pattern = FcPatternDuplicate(base);
  FcCharSet* characters = FcCharSetCreate();
  FcCharSetAddChar(characters, code_point);
  FcPatternAddCharSet(pattern, FC_CHARSET, characters);
  FcCharSetDestroy(characters);  // the pattern holds its own reference
  return pattern;
}

void default_to_two_colours(FcPattern* pattern) {
  FcBool antialias;
  if (FcPatternGetBool(pattern, FC_ANTIALIAS, 0, &antialias) != FcResultMatch) {
    FcPatternAddBool(pattern, FC_ANTIALIAS, FcFalse);
  }
}
