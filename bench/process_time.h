// CPU time of this process and of another one (the X server), for the
// benchmarks that set the program's cost beside the server's.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

inline double server_cpu_seconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::size_t close = text.rfind(')');
  std::vector<std::string> fields;
  std::string field;
  for (std::size_t i = close + 2; i < text.size(); ++i) {
    if (text[i] == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(text[i]);
    }
  }
  // utime and stime are the 12th and 13th fields after the name.
  return (std::stod(fields[11]) + std::stod(fields[12])) / sysconf(_SC_CLK_TCK);
}
