// Cost of the compile phase on a private Xvfb with the 8x16 font: text from a
// file and from a pipe (megabytes per second), the 20,000-line listing read
// byte by byte and as UTF-8, the same listing in Cyrillic and in CJK with
// its characters from the fallback fonts, a large many-coloured XPM picture
// (pixels per second), the heap bytes each segment costs, the time per
// segment and the peak memory of the process so far.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app_state.h"
#include "app/display_setup.h"
#include "content/display_list.h"
#include "content/font_faces.h"
#include "content/glyphs.h"
#include "content/pixmap_loader.h"
#include "content/text_reader.h"
#include "support/app_start.h"
#include "support/x_server.h"

namespace {

struct Compiler {
  XServer server;
  AppState state{};
  Arguments arguments;
  bool start() {
    if (!start_x_server(&server)) return false;
    start_app_on(server.display_name, {}, &arguments, &state);
    state.pens = new_pen_cache();
    state.line_height = state.font_info->ascent + state.font_info->descent;
    probe_pixels(&state);
    state.glyphs = new_glyph_table();
    return true;
  }
  // A fresh, empty display list for one measured run.
  void reset() {
    if (state.segments) free_segment_list(state.segments);
    state.segments = new_segment_list();
  }
};

Compiler* compiler() {
  static Compiler* c = [] {
    auto* made = new Compiler;
    return made->start() ? made : nullptr;
  }();
  return c;
}

// Text like a long directory listing: printable lines of varied length.
std::string sample_text(std::size_t bytes) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> letter(33, 126), length(5, 70);
  std::string text;
  while (text.size() < bytes) {
    int n = length(random);
    for (int i = 0; i < n; ++i)
      text.push_back(i % 9 == 8 ? ' ' : static_cast<char>(letter(random)));
    text.push_back('\n');
  }
  return text;
}

std::string write_temp(const std::string& content) {
  char name[] = "/tmp/lumadrift-bench-XXXXXX";
  int fd = mkstemp(name);
  if (write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) return "";
  close(fd);
  return name;
}

long segment_count(const SegmentList* list) {
  return static_cast<long>(list->count);
}

// Bytes the allocator has handed out, large blocks mapped of their own
// included.
std::size_t heap_in_use() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

long peak_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void report(benchmark::State& state, Compiler* c, std::size_t heap_before) {
  long segments = segment_count(c->state.segments);
  state.counters["segments"] = static_cast<double>(segments);
  state.counters["heap_bytes_per_segment"] =
      static_cast<double>(heap_in_use() - heap_before) / static_cast<double>(segments);
  state.counters["ns_per_segment"] = benchmark::Counter(
      static_cast<double>(segments),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["peak_kb"] = static_cast<double>(peak_kb());
}

// Compiles the text file at `path` once per iteration, timing the reading
// alone, and reports the list it makes. With `fresh_glyphs` every
// iteration makes its glyphs again, as a run of the program does.
void read_file_timed(benchmark::State& state, Compiler* c, const std::string& path,
                     bool fresh_glyphs = false) {
  std::size_t heap = 0;
  for (auto _ : state) {
    state.PauseTiming();
    c->reset();
    if (fresh_glyphs) {
      free_glyphs(&c->state);
      c->state.glyphs = new_glyph_table();
    }
    heap = heap_in_use();
    std::FILE* f = std::fopen(path.c_str(), "r");
    state.ResumeTiming();
    read_letters(&c->state, f, from_stream);
    state.PauseTiming();
    std::fclose(f);
    state.ResumeTiming();
  }
  report(state, c, heap);
}

void BM_TextFromFile(benchmark::State& state) {
  Compiler* c = compiler();
  if (!c) return state.SkipWithError("no Xvfb");
  std::string text = sample_text(static_cast<std::size_t>(state.range(0)));
  std::string path = write_temp(text);
  read_file_timed(state, c, path);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  unlink(path.c_str());
}

void BM_TextFromPipe(benchmark::State& state) {
  Compiler* c = compiler();
  if (!c) return state.SkipWithError("no Xvfb");
  std::string text = sample_text(static_cast<std::size_t>(state.range(0)));
  std::size_t heap = 0;
  for (auto _ : state) {
    state.PauseTiming();
    c->reset();
    heap = heap_in_use();
    int fds[2];
    if (pipe(fds) != 0) return state.SkipWithError("no pipe");
    std::thread writer([&] {
      std::size_t done = 0;
      while (done < text.size()) {
        ssize_t n = write(fds[1], text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      close(fds[1]);
    });
    std::FILE* f = fdopen(fds[0], "r");
    state.ResumeTiming();
    read_letters(&c->state, f, from_stream);
    state.PauseTiming();
    writer.join();
    std::fclose(f);
    state.ResumeTiming();
  }
  report(state, c, heap);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The 20,000-line directory listing of bench/whole_program.sh: plain ASCII.
const std::string& listing_text() {
  static const std::string text = [] {
    std::string out;
    if (std::FILE* p = popen("{ ls -lR /usr 2>/dev/null || true; } | head -n 20000", "r")) {
      char buffer[1 << 16];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
      pclose(p);
    }
    return out;
  }();
  return text;
}

// The listing from a file, read byte by byte (0) as in the C locale, or
// decoded as UTF-8 (1) as in a UTF-8 locale.
void BM_ListingText(benchmark::State& state) {
  Compiler* c = compiler();
  if (!c) return state.SkipWithError("no Xvfb");
  std::string path = write_temp(listing_text());
  c->state.utf8_text = static_cast<int>(state.range(0));
  read_file_timed(state, c, path);
  c->state.utf8_text = 0;
  state.SetLabel(state.range(0) ? "UTF-8" : "bytes");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing_text().size()));
  unlink(path.c_str());
}

// The listing with its ASCII letters written in another script: 0 as it
// is, 1 Cyrillic, 2 CJK ideographs (two cells wide), all as UTF-8.
std::string listing_in_script(int script) {
  std::string out;
  char encoded[kMaxUtf8Length];
  for (char c : listing_text()) {
    bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
    if (script == 0 || (!upper && !lower)) {
      out.push_back(c);
      continue;
    }
    int letter = upper ? c - 'A' : c - 'a' + 26;
    char32_t code_point = script == 1 ? (upper ? U'\u0410' : U'\u0430') + letter % 26
                                      : U'\u4e00' + static_cast<char32_t>(letter) * 97;
    out.append(encoded, static_cast<std::size_t>(encode_utf8(code_point, encoded)));
  }
  return out;
}

// The listing in each script compiled from a file in a UTF-8 locale with
// the default font, every glyph made afresh as in a run of the program:
// the characters 8x16 lacks come from the fallback fonts.
void BM_ListingScript(benchmark::State& state) {
  Compiler* c = compiler();
  if (!c) return state.SkipWithError("no Xvfb");
  std::string text = listing_in_script(static_cast<int>(state.range(0)));
  std::string path = write_temp(text);
  c->state.utf8_text = 1;
  setup_font_faces(&c->state);
  read_file_timed(state, c, path, true);
  close_font_faces(&c->state);
  c->state.utf8_text = 0;
  const char* names[] = {"ASCII", "Cyrillic", "CJK"};
  state.SetLabel(names[state.range(0)]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  unlink(path.c_str());
}

// Glyphs made one by one: 200 letters of the core font's own, or 200 CJK
// ideographs from the fallback font, each drawn, read back and stored.
void BM_GlyphsMade(benchmark::State& state) {
  Compiler* c = compiler();
  if (!c) return state.SkipWithError("no Xvfb");
  constexpr char32_t kGlyphs = 200;
  char32_t first = state.range(0) ? U'\u4e00' : U'\u0021';
  c->state.utf8_text = 1;
  setup_font_faces(&c->state);
  for (auto _ : state) {
    state.PauseTiming();
    free_glyphs(&c->state);
    c->state.glyphs = new_glyph_table();
    state.ResumeTiming();
    for (char32_t k = 0; k < kGlyphs; ++k) rasterize_glyph(&c->state, first + k);
  }
  close_font_faces(&c->state);
  c->state.utf8_text = 0;
  state.SetLabel(state.range(0) ? "CJK, fallback" : "core font");
  state.counters["glyphs_per_second"] =
      benchmark::Counter(kGlyphs, benchmark::Counter::kIsIterationInvariantRate);
}

// The reader's step alone over the same listing: what decoding adds.
void BM_ListingCharacters(benchmark::State& state) {
  std::string text = listing_text();
  long characters = 0;
  for (auto _ : state) {
    std::FILE* f = fmemopen(text.data(), text.size(), "r");
    LetterCursor cursor = stream_cursor(f, static_cast<int>(state.range(0)));
    characters = 0;
    while (next_char(&cursor) != -1) ++characters;
    std::fclose(f);
  }
  state.counters["characters"] = static_cast<double>(characters);
  state.SetLabel(state.range(0) ? "UTF-8" : "bytes");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// A side x side picture in 64 colours, in irregular runs.
std::string sample_picture(int side) {
  const char* symbols = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-";
  std::string xpm = "/* XPM */\nstatic char *p[] = {\n\"" + std::to_string(side) + " " +
                    std::to_string(side) + " 64 1\"";
  char colour[16];
  for (int i = 0; i < 64; ++i) {
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", i * 4, 255 - i * 3, (i * 37) % 256);
    xpm += ",\n\"" + std::string(1, symbols[i]) + " c " + colour + "\"";
  }
  std::mt19937 random(5);
  std::uniform_int_distribution<int> pick(0, 63), run(1, 12);
  for (int y = 0; y < side; ++y) {
    xpm += ",\n\"";
    for (int x = 0; x < side;) {
      int n = std::min(run(random), side - x);
      xpm.append(static_cast<std::size_t>(n), symbols[pick(random)]);
      x += n;
    }
    xpm += "\"";
  }
  return xpm + "\n};\n";
}

void BM_Picture(benchmark::State& state) {
  Compiler* c = compiler();
  if (!c) return state.SkipWithError("no Xvfb");
  int side = static_cast<int>(state.range(0));
  std::string path = write_temp(sample_picture(side));
  std::size_t heap = 0;
  for (auto _ : state) {
    state.PauseTiming();
    c->reset();
    heap = heap_in_use();
    state.ResumeTiming();
    load_pixmap_file(&c->state, path.c_str());
  }
  report(state, c, heap);
  state.counters["pixels_per_second"] = benchmark::Counter(
      static_cast<double>(side) * side, benchmark::Counter::kIsIterationInvariantRate);
  unlink(path.c_str());
}

BENCHMARK(BM_TextFromFile)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFromPipe)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingText)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Repetitions(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingScript)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Repetitions(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlyphsMade)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingCharacters)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Picture)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
