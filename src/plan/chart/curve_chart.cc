#include "plan/chart/curve_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plan/input/plan_text.h"

namespace mpdetect {

namespace {

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

}  // namespace

std::vector<std::string> design_parts(const DesignCurve& curve) {
  std::string label = curve.label;
  const std::string prefix = curve.source + ": ";
  if (!curve.source.empty() && label.rfind(prefix, 0) == 0) label = label.substr(prefix.size());
  std::vector<std::string> parts;
  // A title names the input by its file's name, without the folders.
  if (!curve.source.empty()) parts.push_back(file_name(curve.source));
  if (!curve.sample.empty()) parts.push_back(curve.sample);
  for (const std::string& part : split_parts(label)) parts.push_back(part);
  return parts;
}

Chart curve_chart(const std::vector<DesignCurve>& curves, const FigureOptions& options) {
  const ChartScale sc = chart_scale(options.width, options.height);
  const double s = sc.s;
  Chart chart = blank_chart(options);
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
  // Designs whose single sires detect falsely alike (the same loci, mother
  // and errors: only their shares differ) have one companion between
  // them, drawn once in grey and named in the legend for all of them.
  std::vector<std::vector<size_t>> companions;
  for (size_t d = 0; d < curves.size(); ++d) {
    if (!with_errors(curves[d])) continue;
    const auto same = [&](const std::vector<size_t>& group) {
      const std::vector<CurvePoint>& a = curves[group.front()].points;
      const std::vector<CurvePoint>& b = curves[d].points;
      if (a.size() != b.size()) return false;
      for (size_t n = 0; n < a.size(); ++n) {
        if (a[n].brood_size != b[n].brood_size || a[n].false_detections != b[n].false_detections ||
            a[n].estimate_trials != b[n].estimate_trials)
          return false;
      }
      return true;
    };
    const auto found = std::find_if(companions.begin(), companions.end(), same);
    if (found == companions.end()) {
      companions.push_back({d});
    } else {
      found->push_back(d);
    }
  }

  // The title: its heading and what the designs share, wrapped to the width.
  const double margin = sc.margin;
  const std::string heading = heading_of(options, "Probability of detecting multiple paternity");
  chart.title = heading + (shared.empty() ? "" : ": " + joined_parts(shared));
  const double plot_top = add_chart_title(chart, heading, {shared}, sc);

  // The legend: each design by what tells it apart, then the lines every
  // design has.
  std::vector<LegendEntry> entries;
  for (size_t d = 0; d < curves.size(); ++d) {
    LegendEntry entry;
    entry.text = own[d].empty() ? "probability of detection" : joined_parts(own[d]);
    entry.colour = chart_colour(static_cast<int>(d));
    entry.width = 2 * sc.line;
    entry.dashes = mother_dashes(curves[d], s);
    entry.mark = true;
    entry.shape = chart_shape(variant[d]);
    entry.role = "legend-design";
    entries.push_back(entry);
  }
  const auto plain = [&](const std::string& text, const char* colour, double width,
                         std::vector<double> dashes, const char* role) {
    LegendEntry entry;
    entry.text = text;
    entry.colour = colour;
    entry.width = width;
    entry.dashes = std::move(dashes);
    entry.role = role;
    return entry;
  };
  bool own_companion = false;
  for (const std::vector<size_t>& group : companions) {
    if (group.size() == 1) {
      own_companion = true;
      continue;
    }
    std::string names;
    for (size_t n = 0; n < group.size(); ++n) {
      names += n == 0 ? "" : n + 1 == group.size() ? " and " : ", ";
      names += own[group[n]].empty() ? "design " + std::to_string(group[n] + 1)
                                     : joined_parts(own[group[n]]);
    }
    entries.push_back(plain("one sire, alike for " + names + ": its detections all false",
                            CHART_QUIET, 1.5 * sc.line, false_dashes(s), "legend-false-shared"));
  }
  if (own_companion) {
    entries.push_back(plain("one sire: its detections all false (dotted)", CHART_QUIET,
                            1.5 * sc.line, false_dashes(s), "legend-false"));
  }
  entries.push_back(plain(CEILING_TEXT, CHART_CEILING, 1.2 * sc.line, {}, "legend-ceiling"));
  entries.push_back(plain("target " + short_number(options.target), "#000000", sc.line,
                          {5 * s, 4 * s}, "legend-target"));
  // Columns as wide as the widest design's entry; the lines every figure
  // has wrap to them.
  const Legend legend = lay_out_legend(entries, curves.size(), sc, options.width);

  // Under the plot: the sizes' numbers, the axis's name, the legend, the
  // caption.
  const BelowPlot under = below_plot(sc);
  const double below = under.legend + legend.height + sc.caption * 1.8 + margin;
  const double left_room = text_width("0.8", sc.text) + sc.text * 2.4 + margin;
  // The canvas grows when the legend would leave the plot less than half of it.
  const double least_plot = options.height * 0.5;
  chart.height = static_cast<int>(
      std::max(static_cast<double>(options.height), std::ceil(plot_top + least_plot + below)));
  const double H = chart.height;

  int first = std::numeric_limits<int>::max(), last = 1;
  for (const DesignCurve& curve : curves) {
    for (const CurvePoint& point : curve.points) {
      first = std::min(first, point.brood_size);
      last = std::max(last, point.brood_size);
    }
  }
  // Room on the right for half the last size's number.
  const std::string widest = last > 100 ? std::to_string(last) : "100";
  const double right_room = std::max(margin * 1.5, text_width(widest, sc.text) / 2 + margin);
  const PlotArea plot{
      left_room, plot_top, W - right_room, H - below, first > 1 ? first - 1.0 : 0.0, last + 1.0,
      0.0,       1.05};

  // Grid, frame and the axes' numbers.
  for (int tenth = 0; tenth <= 10; tenth += 2)
    add_y_tick(chart, plot, tenth / 10.0, short_number(tenth / 10.0), sc);
  const int step = size_step(static_cast<int>(plot.x_from), static_cast<int>(plot.x_to),
                             (plot.right - plot.left) / (plot.x_to - plot.x_from), sc.text);
  for (int size = (static_cast<int>(plot.x_from) + step - 1) / step * step; size <= plot.x_to;
       size += step)
    add_x_tick(chart, plot, size, std::to_string(size), sc);
  add_frame(chart, plot, "Brood size (offspring genotyped)", "Probability of detection", sc);

  // Each design's ceiling under everything, then the target, the false
  // detections and the curves.
  for (const DesignCurve& curve : curves) {
    ChartLine line{{}, CHART_CEILING, 1.2 * sc.line, {}, "ceiling"};
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
  for (const std::vector<size_t>& group : companions) {
    const size_t d = group.front();
    const std::string colour =
        group.size() == 1 ? std::string(chart_colour(static_cast<int>(d))) : CHART_QUIET;
    ChartLine line{{}, colour, 1.5 * sc.line, false_dashes(s), "false-detections"};
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
            ChartMark{at, chart_shape(variant[d]), 7 * sc.line, colour, true, 1, "point"});
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
    ChartText label =
        chart_text(std::to_string(size), {}, sc.text, TextAnchor::START, colour, "smallest-label");
    label.bold = true;
    label.boxed = true;
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

  add_legend(chart, legend, plot.bottom + under.legend, sc);
  // A likelihood curve's estimates rest on broods of three sets each.
  int64_t by_likelihood = 0;
  bool by_alleles = false;
  for (const DesignCurve& curve : curves) {
    if (curve.verdict == Verdict::ALLELES) by_alleles = true;
    if (curve.verdict == Verdict::LIKELIHOOD && !curve.points.empty() && !by_likelihood)
      by_likelihood = curve.points.front().estimate_trials;
  }
  if (by_likelihood == 0) {
    add_chart_caption(chart, options.seed, options.trials, sc);
  } else {
    const std::string sets = std::to_string(by_likelihood) + " broods of each set";
    add_chart_caption(
        chart, options.seed,
        by_alleles ? std::to_string(options.trials) + " broods per estimate; likelihood: " + sets
                   : sets + " per estimate (calibration, one sire, design)",
        sc);
  }
  return chart;
}

}  // namespace mpdetect
