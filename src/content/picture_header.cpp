#include "content/picture_header.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Stage = PictureHeaderScan::Stage;

constexpr std::uint64_t kSaturated = UINT64_MAX / 16;
constexpr std::size_t kChunk = 4096;
constexpr std::uint32_t kMaxHeaderWord = 1024;  // the library splits words past 8192
constexpr std::uint32_t kMaxDigits = 20;

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// Spaces that end a header word; a newline ends the header line itself.
bool is_header_space(char c) {
  return is_blank(c) || c == '\r' || c == '\v' || c == '\f';
}

// Header words are read in plain ASCII only, so that no locale can make
// the library see a space where this scan sees none.
bool is_header_char(char c) {
  return c > ' ' && c < 0x7f;
}

// One character of the first line: two words, the second "XPM".
void scan_header_char(PictureHeaderScan* scan, char c) {
  switch (scan->stage) {
    case Stage::first_gap:
    case Stage::second_gap:
      if (is_header_char(c)) {
        scan->stage = scan->stage == Stage::first_gap ? Stage::first_word : Stage::second_word;
        scan->word_length = 0;
        scan_header_char(scan, c);
      } else if (!is_header_space(c)) {
        scan->stage = Stage::failed;
      }
      return;
    case Stage::first_word:
    case Stage::second_word:
      if (is_header_char(c)) {
        if (scan->stage == Stage::second_word && scan->word_length < sizeof scan->word)
          scan->word[scan->word_length] = c;
        if (++scan->word_length > kMaxHeaderWord) scan->stage = Stage::failed;
      } else if (!is_header_space(c) && c != '\n') {
        scan->stage = Stage::failed;
      } else if (scan->stage == Stage::first_word) {
        scan->stage = c == '\n' ? Stage::failed : Stage::second_gap;
      } else {
        bool xpm = scan->word_length == 3 && scan->word[0] == 'X' && scan->word[1] == 'P' &&
                   scan->word[2] == 'M';
        scan->stage = xpm ? Stage::before_values : Stage::failed;
      }
      return;
    default:
      return;
  }
}

// One character of the values string.
void scan_value_char(PictureHeaderScan* scan, char c) {
  bool in_number = scan->word_length > 0;
  if (c == '"') {
    if (in_number) ++scan->field;
    scan->stage = scan->field >= 4 ? Stage::done : Stage::failed;
    return;
  }
  if (scan->field >= 4) return;  // hot spot and extension words
  if (c >= '0' && c <= '9') {
    std::uint64_t& v = scan->values[scan->field];
    v = v > kSaturated ? kSaturated : v * 10 + static_cast<std::uint64_t>(c - '0');
    if (++scan->word_length > kMaxDigits) scan->stage = Stage::failed;
  } else if (is_blank(c)) {
    if (in_number) ++scan->field;
    scan->word_length = 0;
  } else {
    scan->stage = Stage::failed;
  }
}

}  // namespace

void scan_picture_header(PictureHeaderScan* scan, const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    char c = bytes[i];
    switch (scan->stage) {
      case Stage::first_gap:
      case Stage::first_word:
      case Stage::second_gap:
      case Stage::second_word:
        scan_header_char(scan, c);
        if (scan->stage == Stage::before_values) scan->word_length = 0;
        break;
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
