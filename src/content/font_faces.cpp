// The X side of outline fonts. The face of faceName is matched and opened
// as Xft opens any font; fallback fonts are matched from the face's
// pattern, or behind the core font from a monospaced pattern of the core
// font's height, with the one code point added to its charset, and each
// font found is kept for the next character of the same script. Glyphs are
// drawn with XftDrawString32 into the rasterizer's pixmaps.
#include "content/font_faces.h"

#include <algorithm>
#include <string>

#include <X11/StringDefs.h>
#include <X11/Xft/Xft.h>

#include "app_state.h"
#include "content/face_pattern.h"
#include "content/core_font.h"

struct FallbackFont {
  XftFont* font;  // owned
  FallbackFont* next;
};

struct FontFaces {
  XftFont* face;            // from faceName; null when the core font comes first
  FcPattern* base;          // owned: what fallback fonts are matched from
  FallbackFont* fallbacks;  // opened so far, most recently opened first
  Visual* visual;           // of base_window, for drawing into its pixmaps
  Colormap colormap;        // of base_window
  XftColor ink;             // the foreground, for Xft
  int grey;                 // 1: antialiased, runs carry grey levels
  PixelChannels channels;   // how a pixel value splits into red, green, blue
  int ascent, descent;      // of the line box, pixels
};

namespace {

constexpr char32_t kFirstPrintableAscii = 0x20, kLastPrintableAscii = 0x7e;

struct FaceResources {
  String face_name;
};

XtResource face_resources[] = {
    {const_cast<char*>("faceName"), const_cast<char*>("FaceName"), const_cast<char*>(XtRString),
     sizeof(String), XtOffsetOf(FaceResources, face_name), const_cast<char*>(XtRString), nullptr},
};

void warn_bad_face(AppState* s, const char* name, const char* why) {
  String params[] = {const_cast<char*>(name), const_cast<char*>(why)};
  Cardinal count = 2;
  XtAppWarningMsg(s->app_context, "badFaceName", "faceName", "Lumadrift",
                  "faceName \"%s\" %s; using the core font", params, &count);
}

// The face that `pattern` names, matched as Xft matches any font; null,
// with a warning, when none matches or its pixel size is refused.
XftFont* open_face(AppState* s, const char* name, FcPattern* pattern) {
  FcResult result;
  FcPattern* match = XftFontMatch(s->display, s->screen, pattern, &result);
  if (!match) {
    warn_bad_face(s, name, "matches no font");
    return nullptr;
  }
  if (FaceProblem problem = check_pixel_size(match); problem != kFaceOk) {
    FcPatternDestroy(match);
    warn_bad_face(s, name, face_problem_text(problem));
    return nullptr;
  }
  XftFont* face = XftFontOpenPattern(s->display, match);  // owns the match from now on
  if (!face) {
    FcPatternDestroy(match);
    warn_bad_face(s, name, "matches no font that opens");
  }
  return face;
}

// The faceName face with its pattern, or null when none is set or usable.
XftFont* read_face_name(AppState* s, FcPattern** base) {
  FaceResources values{};
  XtGetApplicationResources(s->toplevel, &values, face_resources, XtNumber(face_resources), nullptr,
                            0);
  *base = nullptr;
  // Smooth frames take their letters from outlines: by default the
  // monospace face at the core font's pixel height.
  std::string smooth_face = "monospace:antialias=true:pixelsize=" +
                            std::to_string(s->font_info->ascent + s->font_info->descent);
  if (!values.face_name && s->smooth) values.face_name = smooth_face.data();
  if (!values.face_name) return nullptr;
  FcPattern* pattern;
  FaceProblem problem = parse_face_name(values.face_name, &pattern);
  if (problem != kFaceOk) {
    warn_bad_face(s, values.face_name, face_problem_text(problem));
    return nullptr;
  }
  default_to_two_colours(pattern);
  XftFont* face = open_face(s, values.face_name, pattern);
  if (face) {
    *base = pattern;
  } else {
    FcPatternDestroy(pattern);
  }
  return face;
}

XColor query_colour(AppState* s, Colormap colormap, Pixel pixel) {
  XColor colour{};
  colour.pixel = pixel;
  XQueryColor(s->display, colormap, &colour);
  return colour;
}

// The ink colour for Xft, and the colours of the grey levels between the
// background and the foreground; they stay allocated for the whole run,
// as the pens that draw with them do.
void prepare_colours(AppState* s, FontFaces* f, Colormap colormap) {
  XColor ink = query_colour(s, colormap, s->foreground);
  XColor paper = query_colour(s, colormap, s->background);
  f->ink.pixel = s->foreground;
  f->ink.color = {ink.red, ink.green, ink.blue, 0xffff};
  if (!f->grey) return;
  for (int g = 0; g < kGreyLevels; ++g) {
    XColor grey{};
    int coverage = grey_coverage(g);
    grey.red = blend_channel(paper.red, ink.red, coverage);
    grey.green = blend_channel(paper.green, ink.green, coverage);
    grey.blue = blend_channel(paper.blue, ink.blue, coverage);
    s->grey_pixels[g] = XAllocColor(s->display, colormap, &grey) ? grey.pixel : s->foreground;
  }
}

bool antialiased(XftFont* face) {
  FcBool antialias = FcFalse;
  return FcPatternGetBool(face->pattern, FC_ANTIALIAS, 0, &antialias) == FcResultMatch && antialias;
}

// A font that has the code point, matched from the base pattern and kept;
// null when the best match lacks it too.
XftFont* open_fallback(AppState* s, char32_t code_point) {
  FontFaces* f = s->faces;
  FcPattern* wanted = pattern_with_code_point(f->base, code_point);
  FcResult result;
  FcPattern* match = XftFontMatch(s->display, s->screen, wanted, &result);
  FcPatternDestroy(wanted);
  if (!match) return nullptr;
  XftFont* font = XftFontOpenPattern(s->display, match);
  if (!font) {
    FcPatternDestroy(match);
    return nullptr;
  }
  if (!XftCharExists(s->display, font, code_point)) {
    XftFontClose(s->display, font);
    return nullptr;
  }
  f->fallbacks = new FallbackFont{font, f->fallbacks};
  return font;
}

}  // namespace

void setup_font_faces(AppState* state) {
  AppState* s = state;
  FcPattern* base = nullptr;
  XftFont* face = read_face_name(s, &base);
  if (!face && !s->utf8_text) return;

  XWindowAttributes window;
  XGetWindowAttributes(s->display, s->base_window, &window);
  auto* f = new FontFaces{};
  f->face = face;
  f->visual = window.visual;
  f->colormap = window.colormap;
  f->channels = {window.visual->red_mask, window.visual->green_mask, window.visual->blue_mask};
  int visual_class = window.visual->c_class;
  f->grey = face && antialiased(face) && (visual_class == TrueColor || visual_class == DirectColor);
  f->ascent = face ? face->ascent : s->font_info->ascent;
  f->descent = face ? face->descent : s->font_info->descent;
  f->base = face ? base : core_fallback_pattern(f->ascent + f->descent);
  s->faces = f;
  prepare_colours(s, f, window.colormap);
}

void close_font_faces(AppState* state) {
  AppState* s = state;
  FontFaces* f = s->faces;
  if (!f) return;
  while (FallbackFont* k = f->fallbacks) {
    f->fallbacks = k->next;
    XftFontClose(s->display, k->font);
    delete k;
  }
  if (f->face) XftFontClose(s->display, f->face);
  FcPatternDestroy(f->base);
  delete f;
  s->faces = nullptr;
}

XftFont* font_for_code_point(AppState* state, char32_t code_point) {
  AppState* s = state;
  FontFaces* f = s->faces;
  if (!f) return nullptr;
  bool first_has_it = f->face ? XftCharExists(s->display, f->face, code_point)
                              : core_font_has_glyph(s->font_info, code_point);
  if (first_has_it || !wants_fallback(code_point)) return f->face;
  for (FallbackFont* k = f->fallbacks; k; k = k->next) {
    if (XftCharExists(s->display, k->font, code_point)) return k->font;
  }
  XftFont* found = open_fallback(s, code_point);
  return found ? found : f->face;
}

int face_char_width(AppState* state, XftFont* font, char32_t code_point) {
  FcChar32 c = code_point;
  XGlyphInfo info;
  XftTextExtents32(state->display, font, &c, 1, &info);
  return info.xOff;
}

void draw_face_char(AppState* state, XftFont* font, Drawable drawable, char32_t code_point) {
  AppState* s = state;
  FontFaces* f = s->faces;
  XftDraw* draw = XftDrawCreate(s->display, drawable, f->visual, f->colormap);
  FcChar32 c = code_point;
  XftDrawString32(draw, &f->ink, font, 0, f->ascent, &c, 1);
  XftDrawDestroy(draw);
}

int text_line_height(const AppState* state) {
  const AppState* s = state;
  return s->faces ? s->faces->ascent + s->faces->descent
                  : s->font_info->ascent + s->font_info->descent;
}

int face_ascent(const AppState* state) {
  return state->faces ? state->faces->ascent : state->font_info->ascent;
}

const PixelChannels* face_grey_channels(const AppState* state) {
  return state->faces && state->faces->grey ? &state->faces->channels : nullptr;
}

bool face_advance_bounds(AppState* state, short* narrowest, short* widest) {
  if (!state->faces || !state->faces->face) return false;
  XftFont* face = state->faces->face;
  int low = face->max_advance_width, high = 0;
  for (char32_t c = kFirstPrintableAscii; c <= kLastPrintableAscii; ++c) {
    int advance = face_char_width(state, face, c);
    low = std::min(low, advance);
    high = std::max(high, advance);
  }
  *narrowest = static_cast<short>(low);
  *widest = static_cast<short>(high);
  return true;
}
