#include "plan/chart/chart_layout.h"

#include <algorithm>
#include <cmath>

#include "plan/input/plan_text.h"

namespace mpdetect {

namespace {

const char* const COLOURS[CHART_COLOURS] = {
    "#0072B2", "#D55E00", "#009E73", "#CC79A7", "#E69F00", "#56B4E9",
    "#000000", "#882255", "#117733", "#332288", "#999933", "#AA4499",
};

constexpr double MIN_TEXT = 11;

// The legend's sample of a line, and the gaps beside it.
double sample_length(const ChartScale& scale) {
  return 34 * scale.s;
}
double entry_gap(const ChartScale& scale) {
  return 14 * scale.s;
}

}  // namespace

const char* const CHART_GRID = "#e3e3e3";
const char* const CHART_FRAME = "#7f7f7f";
const char* const CHART_QUIET = "#555555";
const char* const CHART_CEILING = "#bdbdbd";
const char* const CEILING_TEXT = "two or more sires father the brood (no panel does better)";

ChartScale chart_scale(int width, int height) {
  const double s = std::max(0.4, std::min(width / 800.0, height / 600.0));
  return ChartScale{s,
                    std::max(MIN_TEXT, 12 * s),
                    std::max(MIN_TEXT + 2, 15 * s),
                    std::max(MIN_TEXT, 11 * s),
                    std::max(1.0, s),
                    12 * s};
}

Chart blank_chart(const FigureOptions& options) {
  Chart chart;
  chart.width = options.width;
  chart.height = options.height;
  return chart;
}

std::string heading_of(const FigureOptions& options, const std::string& own) {
  return options.title.empty() ? own : options.title;
}

const char* chart_colour(int index) {
  return COLOURS[index % CHART_COLOURS];
}

MarkShape chart_shape(int index) {
  static const MarkShape shapes[] = {MarkShape::CIRCLE, MarkShape::SQUARE, MarkShape::TRIANGLE,
                                     MarkShape::DIAMOND, MarkShape::TRIANGLE_DOWN};
  return shapes[index % 5];
}

std::vector<std::string> split_parts(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find("; ", start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return parts;
}

std::string joined_parts(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

std::vector<std::string> wrapped_parts(const std::vector<std::string>& parts, double size,
                                       double width, bool bold) {
  std::vector<std::string> lines;
  std::string line;
  for (const std::string& part : parts) {
    const std::string longer = line.empty() ? part : line + "; " + part;
    if (line.empty() || text_width(longer + ";", size, bold) <= width) {
      line = longer;
    } else {
      lines.push_back(line + ";");
      line = part;
    }
  }
  if (!line.empty()) lines.push_back(line);
  // A line still too wide is cut at blanks.
  std::vector<std::string> fitted;
  for (const std::string& whole : lines) {
    std::string rest = whole;
    while (text_width(rest, size, bold) > width) {
      size_t cut = rest.size();
      while (cut > 0 &&
             (rest[cut - 1] != ' ' || text_width(rest.substr(0, cut - 1), size, bold) > width))
        --cut;
      if (cut == 0) break;  // one word wider than the line: it overflows
      fitted.push_back(rest.substr(0, cut - 1));
      rest = rest.substr(cut);
    }
    fitted.push_back(rest);
  }
  return fitted;
}

double add_chart_title(Chart& chart, const std::string& heading,
                       const std::vector<std::vector<std::string>>& subtitle,
                       const ChartScale& scale) {
  const double W = chart.width;
  double y = scale.margin + scale.title;
  for (const std::string& given : split_lines(heading)) {
    for (const std::string& line :
         wrapped_parts(split_parts(given), scale.title, W - 2 * scale.margin, true)) {
      chart.texts.push_back(
          chart_text(line, {W / 2, y}, scale.title, TextAnchor::MIDDLE, "#000000", "title"));
      chart.texts.back().bold = true;
      y += scale.title * 1.3;
    }
  }
  for (const std::vector<std::string>& paragraph : subtitle) {
    for (const std::string& line : wrapped_parts(paragraph, scale.text, W - 2 * scale.margin)) {
      chart.texts.push_back(
          chart_text(line, {W / 2, y}, scale.text, TextAnchor::MIDDLE, "#000000", "subtitle"));
      y += scale.text * 1.3;
    }
  }
  return y + scale.text * 0.2;
}

void add_chart_caption(Chart& chart, uint32_t seed, int64_t trials, const ChartScale& scale) {
  add_chart_caption(chart, seed, std::to_string(trials) + " broods per estimate", scale);
}

void add_chart_caption(Chart& chart, uint32_t seed, const std::string& per_estimate,
                       const ChartScale& scale) {
  chart.texts.push_back(chart_text("seed " + std::to_string(seed) + "; " + per_estimate,
                                   {scale.margin, chart.height - scale.margin * 0.7}, scale.caption,
                                   TextAnchor::START, CHART_QUIET, "caption"));
}

BelowPlot below_plot(const ChartScale& scale) {
  return BelowPlot{scale.text * 1.4, scale.text * 2.9, scale.text * 3.4};
}

void add_y_tick(Chart& chart, const PlotArea& plot, double value, const std::string& label,
                const ChartScale& scale) {
  const double py = plot.y(value);
  chart.lines.push_back(
      ChartLine{{{plot.left, py}, {plot.right, py}}, CHART_GRID, scale.line, {}, "grid"});
  chart.texts.push_back(chart_text(label,
                                   {plot.left - std::max(5.0, 6 * scale.s), py + scale.text * 0.35},
                                   scale.text, TextAnchor::END, CHART_QUIET, "tick"));
}

void add_x_tick(Chart& chart, const PlotArea& plot, double value, const std::string& label,
                const ChartScale& scale) {
  const double px = plot.x(value);
  chart.lines.push_back(
      ChartLine{{{px, plot.top}, {px, plot.bottom}}, CHART_GRID, scale.line, {}, "grid"});
  chart.texts.push_back(chart_text(label, {px, plot.bottom + below_plot(scale).ticks}, scale.text,
                                   TextAnchor::MIDDLE, CHART_QUIET, "tick"));
}

int size_step(int first, int last, double pixels_per_size, double text) {
  const double label = text_width(std::to_string(last), text) + text;
  for (const int step : {1, 2, 5, 10, 20, 25, 50, 100}) {
    if (step * pixels_per_size >= label && (last - first) / step <= 20) return step;
  }
  return 100;
}

void add_frame(Chart& chart, const PlotArea& plot, const std::string& x_name,
               const std::string& y_name, const ChartScale& scale) {
  chart.lines.push_back(ChartLine{{{plot.left, plot.top},
                                   {plot.right, plot.top},
                                   {plot.right, plot.bottom},
                                   {plot.left, plot.bottom},
                                   {plot.left, plot.top}},
                                  CHART_FRAME,
                                  scale.line,
                                  {},
                                  "frame"});
  chart.texts.push_back(
      chart_text(x_name, {(plot.left + plot.right) / 2, plot.bottom + below_plot(scale).axis},
                 scale.text, TextAnchor::MIDDLE, "#000000", "axis"));
  if (y_name.empty()) return;
  chart.texts.push_back(chart_text(y_name,
                                   {scale.margin + scale.text * 0.8, (plot.top + plot.bottom) / 2},
                                   scale.text, TextAnchor::MIDDLE, "#000000", "axis"));
  chart.texts.back().vertical = true;
}

Legend lay_out_legend(std::vector<LegendEntry> entries, size_t sized, const ChartScale& scale,
                      int width) {
  Legend legend;
  const double W = width, s = scale.s, gap = entry_gap(scale);
  double widest = 0;
  for (size_t n = 0; n < sized && n < entries.size(); ++n)
    widest = std::max(widest, text_width(entries[n].text, scale.text));
  legend.columns =
      std::max(1, std::min(3, static_cast<int>((W - 2 * scale.margin + gap) /
                                               (sample_length(scale) + 8 * s + widest + gap))));
  legend.column_width = (W - 2 * scale.margin + gap) / legend.columns - gap;
  const double room = legend.column_width - sample_length(scale) - 8 * s;
  legend.line_height = scale.text * 1.3;
  for (size_t n = 0; n < entries.size(); ++n) {
    legend.lines.push_back(wrapped_parts(split_parts(entries[n].text), scale.text, room));
    const size_t row = n / static_cast<size_t>(legend.columns);
    if (row >= legend.row_height.size()) legend.row_height.push_back(0);
    legend.row_height[row] =
        std::max(legend.row_height[row],
                 static_cast<double>(legend.lines.back().size()) * legend.line_height);
  }
  for (const double h : legend.row_height) legend.height += h;
  legend.entries = std::move(entries);
  return legend;
}

void add_legend(Chart& chart, const Legend& legend, double top, const ChartScale& scale) {
  const double s = scale.s, length = sample_length(scale);
  const size_t columns = static_cast<size_t>(legend.columns);
  double row_top = top;
  for (size_t n = 0; n < legend.entries.size(); ++n) {
    const size_t row = n / columns, column = n % columns;
    if (column == 0 && n > 0) row_top += legend.row_height[row - 1];
    const LegendEntry& entry = legend.entries[n];
    const double x =
        scale.margin + static_cast<double>(column) * (legend.column_width + entry_gap(scale));
    const double middle = row_top + legend.line_height / 2;
    if (entry.box) {
      const double half = scale.text * 0.4;
      chart.boxes.push_back(
          ChartBox{x, middle - half, x + length, middle + half, entry.colour, entry.role});
    } else if (entry.line) {
      chart.lines.push_back(ChartLine{{{x, middle}, {x + length, middle}},
                                      entry.colour,
                                      entry.width,
                                      entry.dashes,
                                      entry.role});
    }
    if (entry.mark) {
      chart.marks.push_back(ChartMark{{x + length / 2, middle},
                                      entry.shape,
                                      7 * scale.line,
                                      entry.colour,
                                      entry.filled,
                                      entry.filled ? 1 : 1.5 * scale.line,
                                      "legend-point"});
    }
    const std::vector<std::string>& lines = legend.lines[n];
    for (size_t l = 0; l < lines.size(); ++l) {
      chart.texts.push_back(
          chart_text(lines[l],
                     {x + length + 8 * s,
                      middle + scale.text * 0.35 + static_cast<double>(l) * legend.line_height},
                     scale.text, TextAnchor::START, "#000000", "legend"));
    }
  }
}

}  // namespace mpdetect
