// The values line of an XPM picture file, read before the XPM library sees
// the file. The library trusts the declared sizes: a few dozen bytes that
// declare a huge picture of zero characters per pixel keep it busy for
// minutes and gigabytes. The check refuses what no real file can be.
#pragma once

#include <cstddef>
#include <cstdint>

// The widest and tallest picture: the server's limit for a pixmap side. It
// also keeps every run and row move of a picture inside the 16-bit segment
// fields.
constexpr std::uint64_t kMaxPictureSide = INT16_MAX;

// Finds the values string where the XPM library looks for it and reads its
// first four numbers, a byte at a time so that a file can be fed in pieces.
// The library takes the first two words of the first line as the file's
// header, whatever they look like, and the values from the first string
// after them outside comments. Whatever the library might read otherwise
// (other spaces than blanks, bytes outside ASCII in the header, overlong
// numbers) is refused.
struct PictureHeaderScan {
  enum class Stage : std::uint8_t {
    first_gap,
    first_word,
    second_gap,
    second_word,
    before_values,
    in_comment,
    in_values,
    done,
    failed
  };
  Stage stage = Stage::first_gap;
  char previous = 0;
  std::uint32_t word_length = 0;  // characters of the header word, or digits of a number
  char word[4] = {};              // the start of the second header word
  int field = 0;                  // which number is being read
  std::uint64_t values[4] = {};   // width, height, colours, characters per pixel
};

void scan_picture_header(PictureHeaderScan* scan, const char* bytes, std::size_t count);

// True when the values read describe a picture that a file of file_size
// bytes can hold and a pixmap can show.
bool picture_header_fits(const PictureHeaderScan& scan, std::uint64_t file_size);

// Reads the values line of the open file from its start and checks it.
bool picture_file_header_fits(int fd);
