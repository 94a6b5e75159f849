// Where root mode puts its floors, and the bands a frame repaints.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/monitor_layout.h"
#include "render/dirty_rows.h"

namespace {

// A layout as text: "WxH@x,y+x,y ..." per floor, "whole" when one floor
// covers the root, then the pacing point.
std::string describe(const MonitorLayout& layout) {
  std::string text = layout.whole_root ? "whole" : "";
  for (const FloorPlan& f : layout.floors) {
    text += (text.empty() ? "" : " ") + std::to_string(f.width) + "x" + std::to_string(f.height);
    char sep = '@';
    for (const FloorSpot& s : f.spots) {
      text += sep + std::to_string(s.x) + "," + std::to_string(s.y);
      sep = '+';
    }
  }
  return text + " pace " + std::to_string(layout.pace_x) + "," + std::to_string(layout.pace_y);
}

TEST(MonitorLayout, OneFloorPerSizeOfMonitor) {
  const ScreenArea left{0, 0, 1600, 900, false}, right{1600, 0, 1600, 900, false};
  const struct {
    const char* name;
    std::vector<ScreenArea> monitors;
    bool span;
    const char* expected;
  } cases[] = {
      {"no RandR 1.5", {}, false, "whole 3200x900@0,0 pace 1600,450"},
      {"one monitor", {{0, 0, 1600, 900, false}}, false, "whole 3200x900@0,0 pace 800,450"},
      {"two equal", {left, right}, false, "1600x900@0,0+1600,0 pace 800,450"},
      {"two equal, spanned", {left, right}, true, "whole 3200x900@0,0 pace 800,450"},
      {"the primary paces",
       {left, {1600, 0, 1600, 900, true}},
       false,
       "1600x900@0,0+1600,0 pace 2400,450"},
      {"unequal, with paper between",
       {{0, 0, 1600, 900, false}, {1700, 100, 1200, 700, false}},
       false,
       "1600x900@0,0 1200x700@1700,100 pace 800,450"},
      {"three, two of one size",
       {{0, 0, 1000, 900, false}, {1000, 0, 1200, 900, false}, {2200, 0, 1000, 900, false}},
       false,
       "1000x900@0,0+2200,0 1200x900@1000,0 pace 500,450"},
      {"a repeat of one place drops out", {left, left}, false, "whole 3200x900@0,0 pace 800,450"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(describe(layout_monitors(3200, 900, c.monitors, c.span)), c.expected) << c.name;
  }
  // After `xrandr --fb 1024x768` the monitors may still reach past the root.
  EXPECT_EQ(describe(layout_monitors(1024, 768, {left, right}, false)),
            "whole 1024x768@0,0 pace 512,384");
  EXPECT_EQ(describe(layout_monitors(1024, 768,
                                     {{0, 0, 600, 900, false}, {600, 0, 600, 900, false}}, false)),
            "600x768@0,0 424x768@600,0 pace 300,384");
}

// Monitors in layers: splits of one output (whose own monitor stays listed
// as the aggregate), mirrors, overlaps and chains of overlaps.
TEST(MonitorLayout, OverlappingMonitorsShareOneFloorAndAggregatesGiveWayToTheirParts) {
  const ScreenArea output{0, 0, 3200, 900, true}, left{0, 0, 1600, 900, false},
      right{1600, 0, 1600, 900, false};
  // A overlaps B, B overlaps C, A and C are apart.
  const ScreenArea chain[] = {
      {0, 0, 1000, 600, false}, {900, 100, 1000, 600, false}, {1800, 200, 1000, 600, false}};
  const struct {
    const char* name;
    std::vector<ScreenArea> monitors;
    const char* expected;
  } cases[] = {
      {"split in two", {left, right, output}, "1600x900@0,0+1600,0 pace 800,450"},
      {"split in three, the output listed first",
       {output, {0, 0, 1000, 900, false}, {1000, 0, 1200, 900, false}, {2200, 0, 1000, 900, false}},
       "1000x900@0,0+2200,0 1200x900@1000,0 pace 500,450"},
      {"split, and a monitor of its own",
       {{1200, 0, 1200, 900, false},
        {0, 0, 2400, 900, true},
        {0, 0, 1200, 900, false},
        {2400, 0, 800, 600, false}},
       "1200x900@1200,0+0,0 800x600@2400,0 pace 1800,450"},
      {"equal mirror, and a monitor of its own",
       {left, {0, 0, 1600, 900, true}, right},
       "1600x900@0,0+1600,0 pace 800,450"},
      {"unequal mirror",
       {{0, 0, 1920, 900, true}, {0, 0, 1024, 768, false}},
       "1024x768@0,0 pace 960,450"},
      {"unequal mirror, and a monitor of its own",
       {{0, 0, 1920, 900, false}, {0, 0, 1024, 768, false}, {2000, 0, 1200, 900, true}},
       "1024x768@0,0 1200x900@2000,0 pace 2600,450"},
      {"partial overlap", {left, {1200, 100, 1600, 800, false}}, "400x800@1200,100 pace 800,450"},
      {"three sharing one area",
       {left, {800, 0, 1600, 900, false}, {400, 300, 1600, 600, false}},
       "800x600@800,300 pace 800,450"},
      {"a chain, and a monitor apart",
       {chain[0], chain[1], chain[2], {2900, 0, 300, 900, false}},
       "2800x800@0,0 300x900@2900,0 pace 500,300"},
      {"a chain takes in what its floor reaches onto",
       {chain[0], chain[1], chain[2], {0, 700, 800, 200, false}},
       "2800x900@0,0 pace 500,300"},
      {"a monitor outside the root is no part",
       {output, left, {3300, 0, 800, 600, false}},
       "1600x900@0,0 pace 1600,450"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(describe(layout_monitors(3200, 900, c.monitors, false)), c.expected) << c.name;
  }
  EXPECT_EQ(describe(layout_monitors(3200, 900, {output, left, right}, true)),
            "whole 3200x900@0,0 pace 800,450");
}

RowExtents extents_of(int width, int height, std::vector<std::vector<int>> boxes) {
  RowExtents e;
  clear_extents(&e, width, height);
  for (const auto& b : boxes) note_box(&e, b[0], b[1], b[2], b[3]);
  return e;
}

TEST(DirtyRows, BoxesAreCutToTheFrameAndKeptPerRow) {
  RowExtents e =
      extents_of(100, 10, {{5, 2, 9, 3}, {50, 3, 40, 3}, {-20, 8, 120, 30}, {3, -5, 2, -1}});
  const std::vector<int> first = {100, 100, 5, 5, 100, 100, 100, 100, 0, 0};
  const std::vector<int> end = {0, 0, 10, 51, 0, 0, 0, 0, 100, 100};
  EXPECT_EQ(e.first, first);
  EXPECT_EQ(e.end, end);
  note_box(&e, 200, 0, 300, 9);  // wholly right of the frame
  EXPECT_EQ(e.first, first);
}

TEST(DirtyRows, BandsCoverBothFramesInRunsOfRows) {
  RowExtents a = extents_of(100, 20, {{10, 1, 20, 2}, {30, 9, 35, 9}});
  RowExtents b = extents_of(100, 20, {{60, 2, 70, 2}, {0, 19, 0, 19}});
  std::vector<PixelBand> bands;
  changed_bands(a, b, 8, &bands);
  const std::vector<PixelBand> expected = {{10, 1, 61, 2}, {30, 9, 6, 1}, {0, 19, 1, 1}};
  EXPECT_EQ(bands, expected);

  bands.clear();
  RowExtents none = extents_of(100, 20, {});
  changed_bands(none, none, 8, &bands);
  EXPECT_TRUE(bands.empty());
  note_box(&none, 0, 0, 99, 19);  // every pixel: a frame whose content is not known
  changed_bands(none, a, 8, &bands);
  const std::vector<PixelBand> whole = {{0, 0, 100, 8}, {0, 8, 100, 8}, {0, 16, 100, 4}};
  EXPECT_EQ(bands, whole);
}

}  // namespace
