#include "support/xwd_screen.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

constexpr int kHeaderFields = 25;  // CARD32 each, most significant byte first
constexpr std::uint32_t kXwdVersion = 7;
constexpr int kColorEntryBytes = 12;
enum Field {
  kHeaderSize = 0,
  kFileVersion = 1,
  kWidth = 4,
  kHeight = 5,
  kByteOrder = 7,
  kBitsPerPixel = 11,
  kBytesPerLine = 12,
  kColors = 19,
};

std::uint32_t big_endian(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

long ScreenImage::count(std::uint32_t rgb) const {
  return std::count(pixels.begin(), pixels.end(), rgb);
}

bool read_xwd_screen(const std::string& path, ScreenImage* image) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (file.size() < kHeaderFields * 4) return false;
  std::uint32_t h[kHeaderFields];
  for (int i = 0; i < kHeaderFields; ++i) h[i] = big_endian(&file[i * 4]);
  if (h[kFileVersion] != kXwdVersion || (h[kBitsPerPixel] != 32 && h[kBitsPerPixel] != 24)) {
    return false;
  }
  size_t start = h[kHeaderSize] + static_cast<size_t>(h[kColors]) * kColorEntryBytes;
  size_t bytes = h[kBitsPerPixel] / 8;
  if (file.size() < start + static_cast<size_t>(h[kBytesPerLine]) * h[kHeight]) return false;
  image->width = static_cast<int>(h[kWidth]);
  image->height = static_cast<int>(h[kHeight]);
  image->pixels.resize(static_cast<size_t>(image->width) * image->height);
  for (int y = 0; y < image->height; ++y) {
    const unsigned char* row = &file[start + static_cast<size_t>(y) * h[kBytesPerLine]];
    for (int x = 0; x < image->width; ++x) {
      const unsigned char* p = row + x * bytes;
      std::uint32_t value =
          h[kByteOrder] == 0  // LSBFirst
              ? std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | p[2] << 16
              : std::uint32_t{p[bytes - 1]} | std::uint32_t{p[bytes - 2]} << 8 | p[bytes - 3] << 16;
      image->pixels[static_cast<size_t>(y) * image->width + x] = value & 0xffffff;
    }
  }
  return true;
}
