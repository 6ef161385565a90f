// What every figure of the planner lays out alike, so that the curve, the
// ranking of loci and the judged broods look of one kind in every format:
// sizes that grow with the canvas, the colours, the title with what the
// figure's designs share, the plot's frame with its grid and numbers, the
// legend below the plot in columns, and the caption.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/chart/chart.h"
#include "simulation/estimate.h"

namespace mpdetect {

// What a figure is drawn for: its size, its title, and for the caption the
// seed and the trials per estimate.
struct FigureOptions {
  int width = 800;  // pixels; a PDF is 1/100 of this in inches
  int height = 600;
  std::string title;  // empty: the figure's own
  uint32_t seed = 0;
  double target = 0.95;
  int64_t trials = TRIAL_COUNT;  // trials per estimate, for the caption
};

// A blank canvas of the options' size.
Chart blank_chart(const FigureOptions& options);

// The title the options give, else the figure's `own`.
std::string heading_of(const FigureOptions& options, const std::string& own);

// Sizes of a figure's parts in pixels: those of the 800 x 600 default grown
// and shrunk with the canvas, but no text smaller than 11 px, which reads on
// a phone and in print.
struct ChartScale {
  double s;  // the canvas against 800 x 600
  double text, title, caption, line, margin;
};
ChartScale chart_scale(int width, int height);

// Colours told apart by every kind of colour vision (Okabe and Ito's,
// without their yellow, then Tol's muted), and dark enough for thin lines
// on white. Designs past the twelfth take them again.
constexpr int CHART_COLOURS = 12;
const char* chart_colour(int index);
// Mark shapes told apart in greyscale, taken again past the fifth.
MarkShape chart_shape(int index);
extern const char* const CHART_GRID;
extern const char* const CHART_FRAME;
extern const char* const CHART_QUIET;    // the caption and the axes' numbers
extern const char* const CHART_CEILING;  // the most the shares allow
// The legend's words for the ceiling, alike in every figure.
extern const char* const CEILING_TEXT;

// A description's parts: `text` split at "; ".
std::vector<std::string> split_parts(const std::string& text);
std::string joined_parts(const std::vector<std::string>& parts);

// Parts joined into lines no wider than `width` at `size` (in bold when
// `bold`), a part split (at blanks) only when it alone is wider.
std::vector<std::string> wrapped_parts(const std::vector<std::string>& parts, double size,
                                       double width, bool bold = false);

// The title at the top of the canvas: `heading` in bold (its lines, each
// wrapped at its parts), then each paragraph of `subtitle` (its parts)
// wrapped below it. Returns the height it takes, from the canvas's top.
double add_chart_title(Chart& chart, const std::string& heading,
                       const std::vector<std::vector<std::string>>& subtitle,
                       const ChartScale& scale);

// The caption at the bottom left: the seed and the trials per estimate.
void add_chart_caption(Chart& chart, uint32_t seed, int64_t trials, const ChartScale& scale);

// The same with what the estimates rest on in words ("1600 broods of each
// set per estimate").
void add_chart_caption(Chart& chart, uint32_t seed, const std::string& per_estimate,
                       const ChartScale& scale);

// The plot area in pixels and the values its edges stand for.
struct PlotArea {
  double left, top, right, bottom;
  double x_from, x_to, y_from, y_to;
  double x(double value) const {
    return left + (value - x_from) / (x_to - x_from) * (right - left);
  }
  double y(double value) const {
    return bottom - (value - y_from) / (y_to - y_from) * (bottom - top);
  }
};

// Where texts sit under the plot, as distances below its bottom edge: the
// baselines of the numbers and of the axis's name, and the legend's top.
struct BelowPlot {
  double ticks, axis, legend;
};
BelowPlot below_plot(const ChartScale& scale);

// A grid line across the plot at `value` of the y axis, `label` at its
// left; at `value` of the x axis, `label` under the plot.
void add_y_tick(Chart& chart, const PlotArea& plot, double value, const std::string& label,
                const ChartScale& scale);
void add_x_tick(Chart& chart, const PlotArea& plot, double value, const std::string& label,
                const ChartScale& scale);

// A step between numbered sizes whose numbers do not touch, at most 20 of
// them from `first` to `last`.
int size_step(int first, int last, double pixels_per_size, double text);

// The plot's frame, and the axes' names: the x axis's under its numbers,
// the y axis's (when not empty) turned up at the canvas's left edge.
void add_frame(Chart& chart, const PlotArea& plot, const std::string& x_name,
               const std::string& y_name, const ChartScale& scale);

// One entry of a legend: a sample of a line, a mark or a filled box, and
// its text.
struct LegendEntry {
  std::string text;  // its parts joined by "; ", wrapped at them
  std::string colour;
  double width = 1;            // of the sample line
  std::vector<double> dashes;  // of the sample line
  bool line = true;            // a sample of a line
  bool mark = false;           // a mark on it, of `shape`
  MarkShape shape = MarkShape::CIRCLE;
  bool filled = true;  // the mark filled, else its outline
  bool box = false;    // a filled box instead of a line
  std::string role;
};

// A legend laid out in up to three columns as wide as the widest of its
// first `sized` entries (the others wrap to them).
struct Legend {
  std::vector<LegendEntry> entries;
  std::vector<std::vector<std::string>> lines;  // each entry's lines
  int columns = 1;
  double column_width = 0, line_height = 0, height = 0;
  std::vector<double> row_height;
};
Legend lay_out_legend(std::vector<LegendEntry> entries, size_t sized, const ChartScale& scale,
                      int width);

// Draws the legend with its top at `top`.
void add_legend(Chart& chart, const Legend& legend, double top, const ChartScale& scale);

}  // namespace mpdetect
