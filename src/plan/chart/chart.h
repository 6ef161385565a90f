// A figure laid out once, in pixels on its canvas, as a list of what to
// draw: lines, marks and texts, each where the layout put it. The page shows
// the SVG that chart_svg writes; mpplan writes the same SVG, and gets its
// PNG and PDF from gnuplot drawing the same list, so every format shows the
// same figure.
#pragma once

#include <string>
#include <vector>

namespace mpdetect {

struct ChartPoint {
  double x = 0, y = 0;  // pixels from the top left corner
};

// A polyline; a point with a NaN coordinate breaks it.
struct ChartLine {
  std::vector<ChartPoint> points;
  std::string colour;  // "#rrggbb"
  double width = 1;    // pixels
  // Dash and gap lengths in pixels, alternating; empty: solid.
  std::vector<double> dashes;
  std::string role;  // what it shows, as the SVG's class ("curve", "grid", ...)
};

enum class MarkShape { CIRCLE, SQUARE, TRIANGLE, DIAMOND, TRIANGLE_DOWN };

struct ChartMark {
  ChartPoint at;
  MarkShape shape = MarkShape::CIRCLE;
  double size = 6;  // pixels across
  std::string colour;
  bool filled = true;
  double width = 1;  // of the outline when not filled
  std::string role;
};

// A filled box without an outline: a bar, or a legend's sample of one.
struct ChartBox {
  double left = 0, top = 0, right = 0, bottom = 0;  // pixels
  std::string colour;
  std::string role;
};

enum class TextAnchor { START, MIDDLE, END };

struct ChartText {
  std::string text;  // as the user or the planner wrote it (UTF-8)
  ChartPoint at;     // the baseline's anchor point
  double size = 12;  // pixels
  TextAnchor anchor = TextAnchor::START;
  std::string colour = "#000000";
  bool bold = false;
  bool vertical = false;  // read from bottom to top
  // Drawn on a white box, so that it stays legible over lines.
  bool boxed = false;
  std::string role;
};

// A text of `size` at `at` in `colour`, as `role`: upright, not bold, not
// boxed.
ChartText chart_text(std::string text, ChartPoint at, double size, TextAnchor anchor,
                     std::string colour, std::string role);

struct Chart {
  int width = 800, height = 600;
  std::string title;  // for the SVG's title element
  // Drawn in this order: boxes under lines, lines under marks, texts on top.
  std::vector<ChartBox> boxes;
  std::vector<ChartLine> lines;
  std::vector<ChartMark> marks;
  std::vector<ChartText> texts;
};

// The box a text takes: from `left` to `right`, `top` to `bottom` in
// pixels. Its width is reckoned from the characters' widths in DejaVu Sans,
// the widest of the common sans fonts, so a text is at most this wide in
// any of them.
struct TextBox {
  double left, top, right, bottom;
};
double text_width(const std::string& text, double size, bool bold = false);
TextBox text_box(const ChartText& text);

// `value` with at most `decimals` decimals, trailing zeros dropped, the
// same text on every build: the renderers' numbers.
std::string fixed_number(double value, int decimals);

// True when two boxes share more than a point.
bool boxes_overlap(const TextBox& a, const TextBox& b);

// The chart as an SVG document: every user text escaped, nothing that a
// browser would run or fetch.
std::string chart_svg(const Chart& chart);

enum class FigureFormat { PNG, SVG, PDF };

// `text` as a gnuplot string constant that gnuplot takes as text only: no
// substitution of commands or macros, no escapes, every line end kept.
std::string gnuplot_string(const std::string& text);

// A gnuplot script that draws the chart to standard output as a PNG, SVG
// or PDF image of the chart's size (a PDF 1/100 of its pixels in inches),
// every user text a quoted string that gnuplot only prints.
std::string chart_gnuplot(const Chart& chart, FigureFormat format);

}  // namespace mpdetect
