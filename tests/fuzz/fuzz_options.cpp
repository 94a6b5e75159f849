// Option parsing over arbitrary argument vectors: the input is split into
// arguments at NUL bytes. -help and -h are left out, as they end the process.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app_state.h"
#include "app/options.h"

namespace {

constexpr std::size_t kMaxArguments = 64;

const char* const kOwnOptions[] = {
    "-root",  "-r",     "-noroot", "-nr",       "-quit",  "-q",        "-noquit",
    "-nq",    "-blur",  "-b",      "-noblur",   "-nb",    "-fill",     "-source-width",
    "-sw",    "-width", "-w",      "-length-x", "-lx",    "-length-y", "-ly",
    "-space", "-sp",    "-scroll", "-sc",       "-start", "-st",       "-wait",
    "-wt",    "-font",  "-fn",     "-name",     "-title", "--"};

bool is_own_option(const char* arg) {
  for (const char* o : kOwnOptions) {
    if (std::strcmp(arg, o) == 0) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = {"lumadrift"};
  std::string current;
  for (std::size_t i = 0; i <= size && args.size() < kMaxArguments; ++i) {
    if (i == size || data[i] == 0) {
      if (current != "-h" && current != "-help") args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  char* program = argv[0];

  AppState state{};
  fill_defaults(&state);
  parse_options(&state, &argc, argv.data());

  // The program name stays; what remains is never one of our own options,
  // and every borrowed string is one of the arguments or a default.
  if (argc < 1 || argc > static_cast<int>(args.size()) || argv[0] != program) std::abort();
  for (int i = 1; i < argc; ++i) {
    if (is_own_option(argv[i])) std::abort();
  }
  if (std::strlen(state.font_name) > size + 8 || std::strlen(state.title) > size + 16) std::abort();
  return 0;
}
