// What is on the screen of an Xvfb started with -fbdir DIR: the server keeps
// its framebuffer in DIR/Xvfb_screen0 as an XWD file, which shows what a
// compositor put there (xwd -root would read the root window instead).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScreenImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row
  std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  long count(std::uint32_t rgb) const;
};

// Reads the framebuffer file; false unless it is a 24- or 32-bit TrueColor
// XWD of the version Xvfb writes.
bool read_xwd_screen(const std::string& path, ScreenImage* image);
