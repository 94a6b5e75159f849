// The projection, the row kinds, the walk and the requests each mode makes
// of a segment, without an X server.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <cstdio>
#include <string>
#include <vector>

#include "content/display_list.h"
#include "render/walk.h"
#include "support/recording_sink.h"

namespace {

constexpr unsigned long kInk = 1, kPaper = 0;

// A display list made in the test, with two pens that need no server.
struct List {
  Pen ink{nullptr, kInk, nullptr, nullptr};
  Pen paper{nullptr, kPaper, nullptr, nullptr};
  SegmentList* list = new_segment_list();
  ~List() { free_segment_list(list); }
  List& add(bool is_ink, int length, int advance_x, int advance_y) {
    append_segment(list, new_segment(length, is_ink ? &ink : &paper, advance_x, advance_y));
    return *this;
  }
};

Projection standard(std::int64_t position) {
  return {640, 480, 320, 320, 100, position};
}

template <DrawMode mode>
std::vector<std::string> draw(const Projection& p, const List& l) {
  RecordingSink sink;
  walk_segments<mode>(p, l.list, kPaper, sink);
  return sink.requests;
}

using Strings = std::vector<std::string>;

TEST(Projection, EdgesOfTheNearestAndAFarRow) {
  RowEdges near = row_edges(standard(0), 0);
  EXPECT_EQ(near.edge_bottom, 480.0);
  EXPECT_NEAR(near.edge_top, 475.2475, 1e-4);
  EXPECT_EQ(near.top, 475);
  EXPECT_EQ(near.bottom, 480);
  EXPECT_EQ(row_kind(near.top, near.bottom), RowKind::kTall);

  RowEdges far = row_edges(standard(127), 127);
  EXPECT_NEAR(far.edge_top, 210.53, 1e-2);
  EXPECT_NEAR(far.edge_bottom, 211.45, 1e-2);
  EXPECT_EQ(far.top, 211);
  EXPECT_EQ(far.bottom, 211);
  EXPECT_EQ(row_kind(far.top, far.bottom), RowKind::kFlat);
  EXPECT_EQ(row_kind(293, 294), RowKind::kOneLine);
  EXPECT_EQ(row_kind(32767, -32768), RowKind::kTall);  // no 16-bit wrap in top + 1
}

TEST(Projection, CentreColumnStaysOnTheCentreLine) {
  Projection p{641, 480, 321, 320, 100, 0};
  for (std::int64_t d : {0, 1, 50, 1000, 100000}) {
    RowEdges r = row_edges(p, d);
    EXPECT_EQ(round_x(project_x(p, 160, r.edge_top)), 320) << d;
    EXPECT_EQ(round_x(project_x(p, 160, r.edge_bottom)), 320) << d;
  }
}

TEST(Projection, RoundingAddsAHalfAndTruncatesTowardZero) {
  EXPECT_EQ(round_x(-1.7), -1);
  EXPECT_EQ(round_x(-0.7), 0);
  EXPECT_EQ(round_x(2.5), 3);
  EXPECT_EQ(round_x(1e300), 4000000000000000);
  EXPECT_EQ(round_row(-1.7), -1);
  EXPECT_EQ(round_row(1e9), 32767);
  EXPECT_EQ(round_row(-1e9), -32768);
  EXPECT_EQ(round_row(1.0 / 0.0), 32767);
  EXPECT_EQ(round_row(-1.0 / 0.0), -32768);
}

// The searches of distances by screen row give what a scan of the rows
// gives: the farthest row whose boundary still rounds to y or below, for
// frames near and far, magnified and not, both boundaries.
TEST(Projection, FarthestRowReachingAScreenRowIsTheScansAnswer) {
  const struct {
    int height, length_y;
    std::int64_t nearest, farthest;
  } cases[] = {{480, 100, 0, 3000},     {480, 1, 0, 2000}, {37, 7, 5, 900},
               {1000, 1000, 0, 5000},   {1, 100, 0, 500},  {768, 2, 100, 100},
               {480, 100, 9000, 400000}};
  for (const auto& c : cases) {
    Projection p{640, c.height, 320, 320, c.length_y, 0};
    for (RowBoundary boundary : {RowBoundary::kFar, RowBoundary::kNear}) {
      for (int y = -1; y <= c.height + 1; ++y) {
        std::int64_t want = c.nearest - 1;  // by a scan, over at most a few thousand rows
        auto rounded = [&](std::int64_t d) {
          RowEdges r = row_edges(p, d);
          return boundary == RowBoundary::kFar ? r.top : r.bottom;
        };
        if (c.farthest - c.nearest <= 6000) {
          for (std::int64_t d = c.nearest; d <= c.farthest && rounded(d) >= y; ++d) want = d;
        } else {  // too many rows to scan: the answer's neighbours decide
          want = farthest_reaching_down_to(p, boundary, y, c.nearest, c.farthest);
          EXPECT_TRUE(want == c.nearest - 1 || rounded(want) >= y);
          EXPECT_TRUE(want == c.farthest || rounded(want + 1) < y);
        }
        EXPECT_EQ(farthest_reaching_down_to(p, boundary, y, c.nearest, c.farthest), want)
            << "height " << c.height << " ly " << c.length_y << " y " << y << " boundary "
            << (boundary == RowBoundary::kFar ? "far" : "near");
      }
    }
  }
}

// Screen x and source x along a boundary are each other's inverse, about
// the centre line; the scale is that of row_edges.
TEST(Projection, ScreenAndSourceXAlongABoundary) {
  Projection p{641, 480, 321, 160, 100, 0};
  RowEdges r = row_edges(p, 20);
  EXPECT_EQ(x_scale_at(p, r.edge_top), r.step_top);
  EXPECT_EQ(x_scale_at(p, 480), 641.0 / 160);
  const double table[][2] = {{160, 320}, {0, 320 - 160 * 641.0 / 160}, {161, 320 + 641.0 / 160}};
  for (const auto& row : table) {
    EXPECT_DOUBLE_EQ(screen_x_at(p, row[0], x_scale_at(p, 480)), row[1]);
    EXPECT_DOUBLE_EQ(source_x_at(p, row[1], x_scale_at(p, 480)), row[0]);
  }
}

// The source row coordinate at a screen y and the screen y of a source row
// coordinate are each other's inverse, and agree with row_edges: row
// position - d lies from edge_top to edge_bottom.
TEST(Projection, SourceRowsAndScreenRowsBetweenBoundaries) {
  Projection p{640, 480, 320, 160, 100, 500};
  for (std::int64_t d : {0, 1, 20, 127}) {
    RowEdges r = row_edges(p, d);
    double far = static_cast<double>(p.position - d), near = far + 1;
    EXPECT_NEAR(source_v_at(p, r.edge_bottom), near, 1e-9) << d;
    EXPECT_NEAR(source_v_at(p, r.edge_top), far, 1e-9) << d;
    EXPECT_NEAR(screen_y_at_v(p, far), r.edge_top, 1e-9) << d;
    EXPECT_NEAR(screen_y_at_v(p, near), r.edge_bottom, 1e-9) << d;
  }
}

// The indexed paths serve a floor in front of the viewer with lengths and
// a frame of a pixel or more, short of the end of the position's range.
TEST(Projection, WhichProjectionsTheIndexedPathsServe) {
  const struct {
    Projection p;
    bool served;
  } cases[] = {{{640, 480, 320, 320, 100, 0}, true},
               {{640, 480, 320, 320, 100, -5}, true},
               {{640, 480, 320, 320, 0, 0}, false},
               {{640, 480, 320, 0, 100, 0}, false},
               {{640, 480, 320, -3, 100, 0}, false},
               {{0, 480, 320, 320, 100, 0}, false},
               {{640, 480, 320, 320, 100, INT64_MAX - 102}, false},
               {{640, 480, 320, 320, 100, INT64_MAX - 103}, true}};
  for (const auto& c : cases) EXPECT_EQ(fast_path_serves(c.p), c.served) << c.p.position;
}

// The division-free x of the drawing steps is the exact formula's x, for
// ordinary and for extreme projections.
TEST(Projection, ScreenXIsTheExactFormulasX) {
  std::mt19937_64 random(9);
  std::uniform_int_distribution<int> width(1, 2000), height(1, 2000), small(-400, 400);
  std::uniform_int_distribution<std::int64_t> wide(-100000, 100000), distance(0, 1000000);
  long checked = 0;
  for (int i = 0; i < 20000; ++i) {
    int lx = i % 5 == 0 ? 1 + i % 3 : small(random);
    int ly = i % 7 == 0 ? 1 + small(random) * small(random) : 1 + std::abs(small(random));
    Projection p{width(random), height(random), static_cast<int>(wide(random)), lx, ly, 0};
    if (!has_horizontal_scale(p)) continue;
    RowEdges r = row_edges(p, i % 3 ? distance(random) % 300 : distance(random));
    if (!r.finite) continue;
    for (int k = 0; k < 8; ++k) {
      std::int64_t x = k < 4 ? wide(random) : small(random);
      ASSERT_EQ(screen_x(p, x, r.edge_top, r.step_top), round_x(project_x(p, x, r.edge_top)));
      ASSERT_EQ(screen_x(p, x, r.edge_bottom, r.step_bottom),
                round_x(project_x(p, x, r.edge_bottom)));
      ++checked;
    }
  }
  EXPECT_GT(checked, 100000);
}

struct StepCase {
  std::int64_t position;
  int pen_x, length;
  int top, bottom;
  Band corners;
  Strings blur, noblur, fill;
};

// The rows of the edge-case tables: width 640, height 480, length_y 100,
// length_x and source_width 320; an optional paper segment moves the pen to
// pen_x in source row 0, then one ink segment.
const StepCase kSteps[] = {
    {0,
     0,
     320,
     475,
     480,
     {0, 3, 637, 640, 475, 480},
     {"polygon (0,480) (3,475) (637,475) (640,480)"},
     {"polygon (0,480) (3,475) (637,475) (640,480)"},
     {"polygon (0,480) (3,475) (637,475) (640,480)", "line (0,480) (640,480)",
      "line (637,475) (640,480)", "point (640,480)"}},
    {0,
     0,
     1,
     475,
     480,
     {0, 3, 5, 2, 475, 480},
     {"polygon (0,480) (3,475) (5,475) (2,480)"},
     {"polygon (0,480) (3,475) (5,475) (2,480)"},
     {"polygon (0,480) (3,475) (5,475) (2,480)", "line (0,480) (2,480)", "line (5,475) (2,480)",
      "point (2,480)"}},
    {102,
     58,
     1,
     236,
     238,
     {219, 220, 220, 220, 236, 238},
     {"polygon (219,238) (220,236) (220,238)"},
     {"polygon (219,238) (220,236) (220,238)"},
     {"polygon (219,238) (220,236) (220,238)", "line (219,238) (220,238)",
      "line (220,236) (220,238)", "point (220,238)"}},
    {102,
     8,
     1,
     236,
     238,
     {170, 170, 171, 170, 236, 238},
     {},
     {"line (170,236) (170,238)"},
     {"line (170,236) (170,238)", "line (171,236) (170,238)", "point (170,238)",
      "point (170,238)"}},
    {63,
     0,
     1,
     293,
     294,
     {124, 125, 126, 125, 293, 294},
     {"line (125,293) (126,293)"},
     {"line (125,293) (126,293)"},
     {"line (125,293) (126,293)", "line (124,294) (125,294)", "point (126,293)",
      "point (125,294)"}},
    {63,
     0,
     2,
     293,
     294,
     {124, 125, 127, 126, 293, 294},
     {"line (125,293) (127,293)"},
     {"line (125,293) (127,293)"},
     {"line (125,293) (127,293)", "line (124,294) (126,294)", "point (127,293)",
      "point (126,294)"}},
    {100,
     59,
     1,
     239,
     240,
     {219, 220, 220, 220, 239, 240},
     {"line (220,239) (220,239)"},
     {"line (220,239) (220,239)"},
     {"line (220,239) (220,239)", "line (219,240) (220,240)", "point (220,239)",
      "point (220,240)"}},
    {101,
     59,
     1,
     238,
     239,
     {220, 220, 221, 220, 238, 239},
     {},
     {"point (220,238)"},
     {"point (220,239)", "point (220,238)", "point (221,238)", "point (220,239)"}},
    {127,
     0,
     1,
     211,
     211,
     {179, 180, 181, 180, 211, 211},
     {},
     {"point (180,211)"},
     {"line (180,211) (181,211)", "line (179,211) (180,211)", "point (181,211)",
      "point (180,211)"}},
    {127,
     0,
     2,
     211,
     211,
     {179, 180, 181, 181, 211, 211},
     {},
     {"line (180,211) (181,211)"},
     {"line (180,211) (181,211)", "line (179,211) (181,211)", "point (181,211)",
      "point (181,211)"}},
    {127,
     4,
     1,
     211,
     211,
     {183, 183, 184, 183, 211, 211},
     {},
     {"point (183,211)"},
     {"point (183,211)", "point (183,211)", "point (184,211)", "point (183,211)"}},
};

TEST(DrawStep, EveryModeMakesTheRequestsOfItsTable) {
  for (const StepCase& c : kSteps) {
    SCOPED_TRACE("position " + std::to_string(c.position) + " pen_x " + std::to_string(c.pen_x) +
                 " length " + std::to_string(c.length));
    Projection p = standard(c.position);
    RowEdges row = row_edges(p, c.position);
    EXPECT_EQ(row.top, c.top);
    EXPECT_EQ(row.bottom, c.bottom);
    Band b = band_of(p, row, c.pen_x, c.length);
    EXPECT_EQ((std::vector<std::int64_t>{b.bottom_start, b.top_start, b.top_end, b.bottom_end}),
              (std::vector<std::int64_t>{c.corners.bottom_start, c.corners.top_start,
                                         c.corners.top_end, c.corners.bottom_end}));
    List l;
    if (c.pen_x) l.add(false, 0, c.pen_x, 0);
    l.add(true, c.length, c.length, 0);
    EXPECT_EQ(draw<kDrawBlur>(p, l), c.blur);
    EXPECT_EQ(draw<kDrawNoblur>(p, l), c.noblur);
    EXPECT_EQ(draw<kDrawFill>(p, l), c.fill);
  }
}

TEST(Walk, DrawsNothingAtANegativePositionOrForAnEmptyList) {
  List l;
  EXPECT_TRUE(draw<kDrawFill>(standard(0), l).empty());
  l.add(true, 320, 0, 1);
  EXPECT_TRUE(draw<kDrawFill>(standard(-1), l).empty());
  EXPECT_TRUE(draw<kDrawNoblur>(standard(INT64_MIN), l).empty());
  EXPECT_EQ(draw<kDrawBlur>(standard(0), l).size(), 1u);
}

TEST(Walk, PositionZeroStopsRightAfterTheFirstRowsLastSegment) {
  List l;
  l.add(true, 100, 100, 0).add(true, 50, -100, 1).add(true, 320, 0, 1);
  Strings drawn = draw<kDrawBlur>(standard(0), l);
  ASSERT_EQ(drawn.size(), 2u);  // both row-0 segments, the one that moves on included
  EXPECT_EQ(drawn[1], "polygon (200,480) (201,475) (300,475) (300,480)");
}

TEST(Walk, PaperSegmentsMoveThePenWithoutDrawing) {
  List l;
  l.add(false, 300, 8, 0).add(true, 1, 1, 0);
  Strings drawn = draw<kDrawNoblur>(standard(102), l);
  EXPECT_EQ(drawn, Strings{"line (170,236) (170,238)"});
}

TEST(Walk, ANegativeAdvanceDrawsFurtherAway) {
  // Down to row 2, back up to row 1: the ink is drawn with the edges of row
  // 1, as if the pen had gone there directly.
  List back, direct;
  back.add(false, 0, 0, 2).add(false, 0, 0, -1).add(true, 320, 0, 0);
  direct.add(false, 0, 0, 1).add(true, 320, 0, 0);
  Strings drawn = draw<kDrawFill>(standard(5), back);
  EXPECT_FALSE(drawn.empty());
  EXPECT_EQ(drawn, draw<kDrawFill>(standard(5), direct));
  EXPECT_NE(drawn, draw<kDrawFill>(standard(4), direct));
}

TEST(Walk, StopsAtTheFirstRowBeyondThePositionEvenIfALaterOneComesBack) {
  List l;
  l.add(true, 10, 0, 5).add(false, 0, 0, -5).add(true, 320, 0, 0);
  EXPECT_EQ(draw<kDrawFill>(standard(2), l).size(), 4u);  // only the first segment
}

TEST(Walk, AListWithoutARowMoveEndsAtItsTail) {
  List l;
  l.add(true, 10, 10, 0).add(true, 10, 10, 0).add(true, 10, 10, 0);
  EXPECT_EQ(draw<kDrawNoblur>(standard(0), l).size(), 3u);
}

// A text-like list: `rows` rows of alternating ink and paper runs.
List& striped(List& l, int rows) {
  for (int r = 0; r < rows; ++r) {
    for (int x = 0; x < 320; x += 16) l.add(true, 8, 8, 0).add(false, 8, 8, 0);
    l.add(false, 0, -320, 1);
  }
  return l;
}

template <DrawMode mode>
RecordingSink record(const Projection& p, const List& l) {
  RecordingSink sink;
  walk_segments<mode>(p, l.list, kPaper, sink);
  return sink;
}

template <DrawMode mode>
void expect_marks_only_off_frame_rows(const Projection& p, const List& l) {
  RecordingSink s = record<mode>(p, l);
  for (size_t i = 0; i < s.ys.size(); ++i) {
    EXPECT_TRUE(s.ys[i] <= 0 || s.ys[i] >= p.height) << "y " << s.ys[i];
  }
}

// A length_y of 0 or below puts the bottom edge at or behind the viewer:
// the row at depth 0 has no finite boundary and is skipped; the rest land at
// or above the horizon, or below the frame.
TEST(Walk, ZeroAndNegativeLengthYNeverDrawInsideTheFrame) {
  List l;
  striped(l, 300);
  for (int ly : {0, -5, -100, -101}) {
    for (std::int64_t position : {0, 3, 5, 6, 99, 100, 101, 102, 250}) {
      SCOPED_TRACE("ly " + std::to_string(ly) + " position " + std::to_string(position));
      Projection p{640, 480, 320, 320, ly, position};
      expect_marks_only_off_frame_rows<kDrawBlur>(p, l);
      expect_marks_only_off_frame_rows<kDrawNoblur>(p, l);
      expect_marks_only_off_frame_rows<kDrawFill>(p, l);
    }
  }
}

TEST(Walk, NoHorizontalScaleDrawsNothing) {
  List l;
  striped(l, 20);
  Projection p{640, 480, 0, 0, 100, 10};
  EXPECT_TRUE(draw<kDrawFill>(p, l).empty());
}

// With length_x 1 the corners reach far beyond the 16-bit range; every request
// stays inside it, and a band that covers the frame becomes rows of it.
TEST(Walk, ExtremeLengthXStaysInTheCoordinateRange) {
  List l;
  striped(l, 300);
  for (int lx : {1, 2, 5}) {
    for (std::int64_t position : {0, 10, 150, 299}) {
      Projection p{640, 480, 320, lx, 100, position};
      for (const RecordingSink& s :
           {record<kDrawBlur>(p, l), record<kDrawNoblur>(p, l), record<kDrawFill>(p, l)}) {
        for (int x : s.xs) EXPECT_TRUE(x >= -32768 && x <= 32767) << x;
      }
    }
  }
  List wide;
  wide.add(true, 320, 0, 0);
  Strings drawn = draw<kDrawBlur>({640, 480, 320, 1, 100, 0}, wide);
  EXPECT_EQ(drawn, (Strings{"rectangle (0,475) (640,1)", "rectangle (0,476) (640,1)",
                            "rectangle (0,477) (640,1)", "rectangle (0,478) (640,1)",
                            "rectangle (0,479) (640,1)"}));
  List right;
  right.add(false, 0, 250, 0).add(true, 1, 1, 0);  // corners beyond 32767
  EXPECT_TRUE(draw<kDrawBlur>({640, 480, 320, 1, 100, 0}, right).empty());
}

// A source wider than the 16-bit range with an ordinary length_x.
TEST(Walk, LargeSourceWidthBoundsEveryRequest) {
  List l;
  l.add(true, 30000, 30000, 0).add(true, 30000, -30000, 1);
  for (std::int64_t position : {0, 5, 50}) {
    Projection p{640, 480, 70000, 320, 100, position};
    for (const RecordingSink& s :
         {record<kDrawBlur>(p, l), record<kDrawNoblur>(p, l), record<kDrawFill>(p, l)}) {
      for (int x : s.xs) EXPECT_TRUE(x >= -32768 && x <= 32767) << x;
    }
  }
}

TEST(Bounds, HorizontalLinesKeepTheirPixelsInTheFrame) {
  LineSegment l{-100000, 5, 100000, 5};
  ASSERT_TRUE(bound_line(&l, 640, 480));
  EXPECT_EQ(l.x1, -1);
  EXPECT_EQ(l.x2, 640);
  LineSegment off{-100000, 5, -50000, 5};
  EXPECT_FALSE(bound_line(&off, 640, 480));
  LineSegment below{3, 500, 40000, 600};
  EXPECT_FALSE(bound_line(&below, 640, 480));
}

TEST(Bounds, BandSpanFollowsTheFillRule) {
  // The nearest row of the full-width segment: columns by pixel-centre test.
  Band b{0, 3, 637, 640, 475, 480};
  std::int64_t first, end;
  ASSERT_TRUE(band_span(b, 475, &first, &end));
  EXPECT_EQ(first, 3);  // the top side itself
  EXPECT_EQ(end, 637);
  ASSERT_TRUE(band_span(b, 476, &first, &end));
  EXPECT_EQ(first, 3);  // the left edge passes x 2.4 on row 476
  EXPECT_EQ(end, 638);  // the right edge passes x 637.6
  ASSERT_TRUE(band_span(b, 479, &first, &end));
  EXPECT_EQ(first, 1);  // x 0.6
  EXPECT_EQ(end, 640);  // x 639.4
  EXPECT_FALSE(band_span(b, 480, &first, &end));
  EXPECT_FALSE(band_span(b, 474, &first, &end));
}

}  // namespace
