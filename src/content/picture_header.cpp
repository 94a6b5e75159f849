#include "content/picture_header.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Stage = PictureHeaderScan::Stage;

constexpr std::uint64_t kSaturated = UINT64_MAX / 16;
constexpr std::size_t kChunk = 4096;

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// One character of the values string.
void scan_value_char(PictureHeaderScan* scan, char c) {
  if (c == '"') {
    if (scan->in_number) ++scan->field;
    scan->stage = scan->field >= 4 ? Stage::done : Stage::failed;
    return;
  }
  if (scan->field >= 4) return;  // hot spot and extension words
  if (c >= '0' && c <= '9') {
    std::uint64_t& v = scan->values[scan->field];
    v = v > kSaturated ? kSaturated : v * 10 + static_cast<std::uint64_t>(c - '0');
    scan->in_number = true;
  } else if (is_blank(c)) {
    if (scan->in_number) ++scan->field;
    scan->in_number = false;
  } else {
    scan->stage = Stage::failed;
  }
}

}  // namespace

void scan_picture_header(PictureHeaderScan* scan, const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    char c = bytes[i];
    switch (scan->stage) {
      case Stage::before_values:
        if (scan->previous == '/' && c == '*') {
          scan->stage = Stage::in_comment;
          c = 0;  // "/*/" does not close the comment it opens
        } else if (c == '"') {
          scan->stage = Stage::in_values;
        }
        break;
      case Stage::in_comment:
        if (scan->previous == '*' && c == '/') {
          scan->stage = Stage::before_values;
          c = 0;
        }
        break;
      case Stage::in_values:
        scan_value_char(scan, c);
        break;
      case Stage::done:
      case Stage::failed:
        return;
    }
    scan->previous = c;
  }
}

bool picture_header_fits(const PictureHeaderScan& scan, std::uint64_t file_size) {
  if (scan.stage != Stage::done) return false;
  std::uint64_t width = scan.values[0], height = scan.values[1];
  std::uint64_t colours = scan.values[2], chars = scan.values[3];
  if (width > kMaxPictureSide || height > kMaxPictureSide || chars == 0) return false;
  // Every colour and every pixel is named by that many characters in the file.
  if (colours > file_size || chars > file_size) return false;
  return (width * height + colours) <= file_size / chars;
}

bool picture_file_header_fits(int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0) return false;
  PictureHeaderScan scan;
  char buffer[kChunk];
  off_t offset = 0;
  while (scan.stage != Stage::done && scan.stage != Stage::failed) {
    ssize_t n = pread(fd, buffer, sizeof buffer, offset);
    if (n <= 0) break;
    scan_picture_header(&scan, buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  return picture_header_fits(scan, static_cast<std::uint64_t>(info.st_size));
}
