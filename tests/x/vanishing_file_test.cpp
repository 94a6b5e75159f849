// A text file that opens for the picture test but no longer when it is to be
// read (it vanished in between): nothing is read, "Done." follows and the
// next source is compiled. The second opening is made to fail by a fopen of
// this test program's own that stands in front of the C library's.
#include "support/app_fixture.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "content/display_list.h"
#include "content/source_intake.h"
#include "support/segments.h"

namespace {

std::string vanishing_path;  // the file whose second opening fails
int openings = 0;

}  // namespace

extern "C" std::FILE* fopen(const char* path, const char* mode) {
  using Fopen = std::FILE* (*)(const char*, const char*);
  static auto real = reinterpret_cast<Fopen>(dlsym(RTLD_NEXT, "fopen"));
  if (!vanishing_path.empty() && vanishing_path == path && ++openings == 2) return nullptr;
  return real(path, mode);
}

namespace {

using VanishingFile = AppFixture;

TEST_F(VanishingFile, IsAnnouncedAndSkipped) {
  vanishing_path = "/tmp/lumadrift-vanishing-" + std::to_string(getpid()) + ".txt";
  std::ofstream(vanishing_path) << "never read\n";
  start_app({vanishing_path, "after"});
  std::FILE* none = std::fopen("/dev/null", "r");  // standard input: an empty file
  dup2(fileno(none), 0);
  std::fclose(none);
  build_content(&state, &argc, argv.data());
  std::remove(vanishing_path.c_str());
  EXPECT_EQ(openings, 2);
  // Only "after" was laid out: one line of 16 rows and the line space.
  long rows = 0;
  for (const Segment& s : segments_of(state.segments)) rows += s.advance_y;
  EXPECT_EQ(rows, 17);
}

}  // namespace
