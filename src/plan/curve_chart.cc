#include "plan/curve_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plan/plan_text.h"

namespace {

const char* const COLOURS[CHART_COLOURS] = {
    "#0072B2", "#D55E00", "#009E73", "#CC79A7", "#E69F00", "#56B4E9",
    "#000000", "#882255", "#117733", "#332288", "#999933", "#AA4499",
};
const char* const GRID = "#e3e3e3";
const char* const FRAME = "#7f7f7f";
const char* const CEILING = "#bdbdbd";
const char* const QUIET = "#555555";  // the caption and the axes' numbers

// Sizes of a figure's parts at the 800 x 600 default, in pixels; they grow
// and shrink with the canvas, but no text gets smaller than MIN_TEXT, which
// reads on a phone and in print.
constexpr double MIN_TEXT = 11;

struct Scale {
  double s;  // the canvas against 800 x 600
  double text, title, caption, line;
};

Scale scale_of(const FigureOptions& options) {
  const double s = std::max(0.4, std::min(options.width / 800.0, options.height / 600.0));
  return Scale{s, std::max(MIN_TEXT, 12 * s), std::max(MIN_TEXT + 2, 15 * s),
               std::max(MIN_TEXT, 11 * s), std::max(1.0, s)};
}

// The line style says which mother a design assumes: drawn (the usual
// case) solid, given in advance long dashes, not sampled dashes and dots.
// False detections are dotted.
std::vector<double> mother_dashes(const DesignCurve& curve, double s) {
  if (curve.unsampled_mother) return {10 * s, 3.5 * s, 2.5 * s, 3.5 * s};
  if (curve.mother_given) return {11 * s, 4.5 * s};
  return {};
}
std::vector<double> false_dashes(double s) {
  return {1.5 * s, 3 * s};
}

MarkShape shape_of(int variant) {
  static const MarkShape shapes[] = {MarkShape::CIRCLE, MarkShape::SQUARE, MarkShape::TRIANGLE,
                                     MarkShape::DIAMOND, MarkShape::TRIANGLE_DOWN};
  return shapes[variant % 5];
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

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

// Parts joined into lines no wider than `width` at `size`, a part split
// only when it alone is wider.
std::vector<std::string> wrapped(const std::vector<std::string>& parts, double size, double width) {
  std::vector<std::string> lines;
  std::string line;
  for (const std::string& part : parts) {
    const std::string longer = line.empty() ? part : line + "; " + part;
    if (line.empty() || text_width(longer + ";", size) <= width) {
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
    while (text_width(rest, size) > width) {
      size_t cut = rest.size();
      while (cut > 0 && (rest[cut - 1] != ' ' || text_width(rest.substr(0, cut - 1), size) > width))
        --cut;
      if (cut == 0) break;  // one word wider than the line: it overflows
      fitted.push_back(rest.substr(0, cut - 1));
      rest = rest.substr(cut);
    }
    fitted.push_back(rest);
  }
  return fitted;
}

// A step between labelled sizes whose labels do not touch.
int size_step(int first, int last, double pixels_per_size, double text) {
  const double label = text_width(std::to_string(last), text) + text;
  for (const int step : {1, 2, 5, 10, 20, 25, 50, 100}) {
    if (step * pixels_per_size >= label && (last - first) / step <= 20) return step;
  }
  return 100;
}

struct Plot {
  double left, top, right, bottom;  // the plot area, pixels
  double x_from, x_to, y_from, y_to;
  double x(double size) const { return left + (size - x_from) / (x_to - x_from) * (right - left); }
  double y(double p) const { return bottom - (p - y_from) / (y_to - y_from) * (bottom - top); }
};

struct LegendEntry {
  std::vector<std::string> lines;
  std::string colour;
  double width;
  std::vector<double> dashes;
  bool mark;
  MarkShape shape;
  std::string role;
};

}  // namespace

const char* chart_colour(int index) {
  return COLOURS[index % CHART_COLOURS];
}

std::vector<std::string> design_parts(const DesignCurve& curve) {
  std::string label = curve.label;
  const std::string prefix = curve.source + ": ";
  if (!curve.source.empty() && label.rfind(prefix, 0) == 0) label = label.substr(prefix.size());
  std::vector<std::string> parts;
  // A title names the input by its file's name, without the folders.
  if (!curve.source.empty())
    parts.push_back(curve.source.substr(curve.source.find_last_of('/') + 1));
  if (!curve.sample.empty()) parts.push_back(curve.sample);
  for (const std::string& part : split_parts(label)) parts.push_back(part);
  return parts;
}

Chart curve_chart(const std::vector<DesignCurve>& curves, const FigureOptions& options) {
  const Scale sc = scale_of(options);
  const double s = sc.s;
  Chart chart;
  chart.width = options.width;
  chart.height = options.height;
  const double W = options.width;

  // What every design shares goes to the title, the rest to the legend.
  std::vector<std::vector<std::string>> parts;
  for (const DesignCurve& curve : curves) parts.push_back(design_parts(curve));
  std::vector<std::string> shared;
  for (const std::string& part : parts.front()) {
    if (std::all_of(parts.begin(), parts.end(), [&](const std::vector<std::string>& other) {
          return std::find(other.begin(), other.end(), part) != other.end();
        }))
      shared.push_back(part);
  }
  std::vector<std::vector<std::string>> own(curves.size());
  for (size_t d = 0; d < curves.size(); ++d) {
    for (const std::string& part : parts[d]) {
      if (std::find(shared.begin(), shared.end(), part) == shared.end()) own[d].push_back(part);
    }
  }
  // Marks by the sires' shares: each distinct "N sires a/b" its shape.
  std::vector<std::string> share_variants;
  std::vector<int> variant(curves.size());
  for (size_t d = 0; d < curves.size(); ++d) {
    std::string sires;
    for (const std::string& part : parts[d]) {
      if (part.find(" sire") != std::string::npos) sires = part;
    }
    const auto found = std::find(share_variants.begin(), share_variants.end(), sires);
    variant[d] = static_cast<int>(found - share_variants.begin());
    if (found == share_variants.end()) share_variants.push_back(sires);
  }
  bool errors = false;
  for (const DesignCurve& curve : curves) errors = errors || with_errors(curve);

  // The title: its heading and what the designs share, wrapped to the width.
  const double margin = 12 * s;
  const std::string heading =
      options.title.empty() ? "Probability of detecting multiple paternity" : options.title;
  chart.title = heading + (shared.empty() ? "" : ": " + joined(shared));
  std::vector<ChartText> title_texts;
  double y = margin + sc.title;
  for (const std::string& given : split_lines(heading)) {
    for (const std::string& line : wrapped(split_parts(given), sc.title, W - 2 * margin)) {
      title_texts.push_back(ChartText{
          line, {W / 2, y}, sc.title, TextAnchor::MIDDLE, "#000000", true, false, false, "title"});
      y += sc.title * 1.3;
    }
  }
  for (const std::string& line : wrapped(shared, sc.text, W - 2 * margin)) {
    title_texts.push_back(ChartText{
        line, {W / 2, y}, sc.text, TextAnchor::MIDDLE, "#000000", false, false, false, "subtitle"});
    y += sc.text * 1.3;
  }
  const double plot_top = y + sc.text * 0.2;

  // The legend: each design by what tells it apart, then the lines every
  // design has.
  const double sample_length = 34 * s;
  std::vector<LegendEntry> entries;
  for (size_t d = 0; d < curves.size(); ++d) {
    const std::vector<std::string> text =
        own[d].empty() ? std::vector<std::string>{"probability of detection"} : own[d];
    entries.push_back(LegendEntry{{joined(text)},
                                  chart_colour(static_cast<int>(d)),
                                  2 * sc.line,
                                  mother_dashes(curves[d], s),
                                  true,
                                  shape_of(variant[d]),
                                  "legend-design"});
  }
  if (errors) {
    entries.push_back(LegendEntry{{"one sire: its detections all false (dotted)"},
                                  QUIET,
                                  1.5 * sc.line,
                                  false_dashes(s),
                                  false,
                                  MarkShape::CIRCLE,
                                  "legend-false"});
  }
  entries.push_back(LegendEntry{{"two or more sires father the brood (no panel does better)"},
                                CEILING,
                                1.2 * sc.line,
                                {},
                                false,
                                MarkShape::CIRCLE,
                                "legend-ceiling"});
  entries.push_back(LegendEntry{{"target " + short_number(options.target)},
                                "#000000",
                                sc.line,
                                {5 * s, 4 * s},
                                false,
                                MarkShape::CIRCLE,
                                "legend-target"});
  const double entry_gap = 14 * s;
  // Columns as wide as the widest design's entry; the lines every figure
  // has wrap to them.
  double widest = 0;
  for (size_t n = 0; n < curves.size(); ++n)
    widest = std::max(widest, text_width(entries[n].lines.front(), sc.text));
  const int columns =
      std::max(1, std::min(3, static_cast<int>((W - 2 * margin + entry_gap) /
                                               (sample_length + 8 * s + widest + entry_gap))));
  const double column_width = (W - 2 * margin + entry_gap) / columns - entry_gap;
  for (LegendEntry& entry : entries) {
    const double room = column_width - sample_length - 8 * s;
    entry.lines = wrapped(split_parts(entry.lines.front()), sc.text, room);
  }
  const double line_height = sc.text * 1.3;
  std::vector<double> row_height;
  for (size_t n = 0; n < entries.size(); ++n) {
    const size_t row = n / static_cast<size_t>(columns);
    if (row >= row_height.size()) row_height.push_back(0);
    row_height[row] =
        std::max(row_height[row], static_cast<double>(entries[n].lines.size()) * line_height);
  }
  double legend_height = 0;
  for (const double h : row_height) legend_height += h;

  // Below the plot: the sizes, the axis's name, the legend, the caption.
  // Under the plot: the sizes' numbers, the axis's name, then the legend.
  const double tick_baseline = sc.text * 1.4, axis_baseline = sc.text * 2.9,
               legend_top = sc.text * 3.4;
  const double below = legend_top + legend_height + sc.caption * 1.8 + margin;
  const double left_room = text_width("0.8", sc.text) + sc.text * 2.4 + margin;
  // The canvas grows when the legend would leave the plot less than half of it.
  const double least_plot = options.height * 0.5;
  chart.height = static_cast<int>(
      std::max(static_cast<double>(options.height), std::ceil(plot_top + least_plot + below)));
  const double H = chart.height;

  int first = MAX_OFFSPRING, last = 1;
  for (const DesignCurve& curve : curves) {
    for (const CurvePoint& point : curve.points) {
      first = std::min(first, point.brood_size);
      last = std::max(last, point.brood_size);
    }
  }
  // Room on the right for half the last size's number.
  const double right_room = std::max(margin * 1.5, text_width("100", sc.text) / 2 + margin);
  const Plot plot{
      left_room, plot_top, W - right_room, H - below, first > 1 ? first - 1.0 : 0.0, last + 1.0,
      0.0,       1.05};

  // Grid, frame and the axes' numbers.
  for (int tenth = 0; tenth <= 10; tenth += 2) {
    const double p = tenth / 10.0, py = plot.y(p);
    chart.lines.push_back(
        ChartLine{{{plot.left, py}, {plot.right, py}}, GRID, sc.line, {}, "grid"});
    chart.texts.push_back(ChartText{short_number(p),
                                    {plot.left - std::max(5.0, 6 * s), py + sc.text * 0.35},
                                    sc.text,
                                    TextAnchor::END,
                                    QUIET,
                                    false,
                                    false,
                                    false,
                                    "tick"});
  }
  const int step = size_step(static_cast<int>(plot.x_from), static_cast<int>(plot.x_to),
                             (plot.right - plot.left) / (plot.x_to - plot.x_from), sc.text);
  for (int size = (static_cast<int>(plot.x_from) + step - 1) / step * step; size <= plot.x_to;
       size += step) {
    const double px = plot.x(size);
    chart.lines.push_back(
        ChartLine{{{px, plot.top}, {px, plot.bottom}}, GRID, sc.line, {}, "grid"});
    chart.texts.push_back(ChartText{std::to_string(size),
                                    {px, plot.bottom + tick_baseline},
                                    sc.text,
                                    TextAnchor::MIDDLE,
                                    QUIET,
                                    false,
                                    false,
                                    false,
                                    "tick"});
  }
  chart.lines.push_back(ChartLine{{{plot.left, plot.top},
                                   {plot.right, plot.top},
                                   {plot.right, plot.bottom},
                                   {plot.left, plot.bottom},
                                   {plot.left, plot.top}},
                                  FRAME,
                                  sc.line,
                                  {},
                                  "frame"});
  chart.texts.push_back(ChartText{"Brood size (offspring genotyped)",
                                  {(plot.left + plot.right) / 2, plot.bottom + axis_baseline},
                                  sc.text,
                                  TextAnchor::MIDDLE,
                                  "#000000",
                                  false,
                                  false,
                                  false,
                                  "axis"});
  chart.texts.push_back(ChartText{"Probability of detection",
                                  {margin + sc.text * 0.8, (plot.top + plot.bottom) / 2},
                                  sc.text,
                                  TextAnchor::MIDDLE,
                                  "#000000",
                                  false,
                                  true,
                                  false,
                                  "axis"});

  // Each design's ceiling under everything, then the target, the false
  // detections and the curves.
  for (const DesignCurve& curve : curves) {
    ChartLine line{{}, CEILING, 1.2 * sc.line, {}, "ceiling"};
    for (const CurvePoint& point : curve.points)
      line.points.push_back({plot.x(point.brood_size), plot.y(point.ceiling)});
    chart.lines.push_back(line);
  }
  chart.lines.push_back(
      ChartLine{{{plot.left, plot.y(options.target)}, {plot.right, plot.y(options.target)}},
                "#000000",
                sc.line,
                {5 * s, 4 * s},
                "target"});
  for (size_t d = 0; d < curves.size(); ++d) {
    if (!with_errors(curves[d])) continue;
    ChartLine line{
        {}, chart_colour(static_cast<int>(d)), 1.5 * sc.line, false_dashes(s), "false-detections"};
    for (const CurvePoint& point : curves[d].points)
      line.points.push_back({plot.x(point.brood_size),
                             plot.y(std::round(false_detection_share(point) * 1000) / 1000)});
    chart.lines.push_back(line);
  }
  // Marks where the curves rise, where they tell designs apart: on every
  // point of the rise when it is short, else on about four, each design's at
  // other sizes than its neighbours' so that they do not cover one another.
  // Where every curve lies flat at 0 or 1, marks would only pile up.
  const auto rising = [](const CurvePoint& point) {
    return printed_estimate(point) > 0.02 && printed_estimate(point) < 0.99;
  };
  for (size_t d = 0; d < curves.size(); ++d) {
    const std::string colour = chart_colour(static_cast<int>(d));
    ChartLine line{{}, colour, 2 * sc.line, mother_dashes(curves[d], s), "curve"};
    const size_t count = curves[d].points.size();
    const size_t rise = static_cast<size_t>(
        std::count_if(curves[d].points.begin(), curves[d].points.end(), rising));
    const size_t every = std::max<size_t>(1, (rise == 0 ? count : rise) / 4);
    for (size_t n = 0; n < count; ++n) {
      const CurvePoint& point = curves[d].points[n];
      const ChartPoint at{plot.x(point.brood_size), plot.y(printed_estimate(point))};
      line.points.push_back(at);
      if ((rise == 0 || rising(point)) && (n + d) % every == 0) {
        chart.marks.push_back(
            ChartMark{at, shape_of(variant[d]), 7 * sc.line, colour, true, 1, "point"});
      }
    }
    chart.lines.push_back(line);
  }

  // Each design's smallest size reaching the target: a ring on its curve
  // and the size beside it, moved down (then to the left) until it covers
  // no other label or ring, with a leader line back when moved.
  struct Smallest {
    size_t design;
    int size;
    ChartPoint at;
  };
  std::vector<Smallest> smallest;
  for (size_t d = 0; d < curves.size(); ++d) {
    const int size = smallest_reaching(curves[d]);
    for (const CurvePoint& point : curves[d].points) {
      if (size > 0 && point.brood_size == size)
        smallest.push_back({d, size, {plot.x(size), plot.y(printed_estimate(point))}});
    }
  }
  std::vector<TextBox> taken;
  const double ring = 15 * sc.line;
  for (const Smallest& mark : smallest) {
    taken.push_back(TextBox{mark.at.x - ring / 2, mark.at.y - ring / 2, mark.at.x + ring / 2,
                            mark.at.y + ring / 2});
  }
  for (const auto& [d, size, at] : smallest) {
    const std::string colour = chart_colour(static_cast<int>(d));
    chart.marks.push_back(
        ChartMark{at, MarkShape::CIRCLE, ring, colour, false, 1.6 * sc.line, "smallest"});
    ChartText label{std::to_string(size), {}, sc.text, TextAnchor::START, colour, true, false, true,
                    "smallest-label"};
    const double drop = sc.text * 1.15;
    bool placed = false;
    int moves = 0;
    for (int side = 0; side < 2 && !placed; ++side) {
      label.anchor = side == 0 ? TextAnchor::START : TextAnchor::END;
      const double x = side == 0 ? at.x + ring * 0.55 : at.x - ring * 0.55;
      for (moves = 0; moves < 40; ++moves) {
        label.at = ChartPoint{x, at.y + ring * 0.5 + sc.text * 0.9 + moves * drop};
        TextBox box = text_box(label);
        if (box.bottom > plot.bottom || box.right > plot.right || box.left < plot.left) break;
        box = TextBox{box.left - 2, box.top - 1, box.right + 2, box.bottom + 1};
        if (std::none_of(taken.begin(), taken.end(),
                         [&](const TextBox& other) { return boxes_overlap(box, other); })) {
          placed = true;
          break;
        }
      }
    }
    if (!placed) {
      // No room below: the label goes above the ring.
      label.anchor = TextAnchor::START;
      label.at = ChartPoint{at.x + ring * 0.55, at.y - ring * 0.5};
      moves = 0;
    }
    taken.push_back(text_box(label));
    if (moves > 0) {
      const TextBox box = text_box(label);
      const double to_x = label.anchor == TextAnchor::START ? box.left : box.right;
      chart.lines.push_back(ChartLine{{{at.x, at.y + ring / 2}, {to_x, (box.top + box.bottom) / 2}},
                                      colour,
                                      0.8 * sc.line,
                                      {},
                                      "leader"});
    }
    chart.texts.push_back(label);
  }

  // The legend's rows under the axis's name.
  double row_top = plot.bottom + legend_top;
  for (size_t n = 0; n < entries.size(); ++n) {
    const size_t row = n / static_cast<size_t>(columns);
    const size_t column = n % static_cast<size_t>(columns);
    if (column == 0 && n > 0) row_top += row_height[row - 1];
    const LegendEntry& entry = entries[n];
    const double x = margin + static_cast<double>(column) * (column_width + entry_gap);
    const double middle = row_top + line_height / 2;
    chart.lines.push_back(ChartLine{{{x, middle}, {x + sample_length, middle}},
                                    entry.colour,
                                    entry.width,
                                    entry.dashes,
                                    entry.role});
    if (entry.mark) {
      chart.marks.push_back(ChartMark{{x + sample_length / 2, middle},
                                      entry.shape,
                                      7 * sc.line,
                                      entry.colour,
                                      true,
                                      1,
                                      "legend-point"});
    }
    for (size_t l = 0; l < entry.lines.size(); ++l) {
      chart.texts.push_back(
          ChartText{entry.lines[l],
                    {x + sample_length + 8 * s,
                     middle + sc.text * 0.35 + static_cast<double>(l) * line_height},
                    sc.text,
                    TextAnchor::START,
                    "#000000",
                    false,
                    false,
                    false,
                    "legend"});
    }
  }

  chart.texts.insert(chart.texts.begin(), title_texts.begin(), title_texts.end());
  chart.texts.push_back(ChartText{"seed " + std::to_string(options.seed) + "; " +
                                      std::to_string(options.trials) + " broods per estimate",
                                  {margin, H - margin * 0.7},
                                  sc.caption,
                                  TextAnchor::START,
                                  QUIET,
                                  false,
                                  false,
                                  false,
                                  "caption"});
  return chart;
}
