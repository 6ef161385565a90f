#include "plan/chart/broods_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "plan/chart/chart_layout.h"
#include "plan/estimate/curve.h"
#include "plan/input/plan_text.h"

namespace mpdetect {

namespace {

// A probability as the brood table prints it, to three decimals.
double printed_share(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return std::strtod(text, nullptr);
}

// The probability axis of the broods' marks: from `from` to 1, ticked
// every `step`.
struct ProbabilityAxis {
  double from, step;
};

// A round step below the lowest mark, with a step that gives the axis at
// most six steps; 0 to 1 by 0.2, as ever, when the marks spread that far.
ProbabilityAxis fitted_axis(const BroodsReport& report) {
  double lowest = 1;
  for (size_t d = 0; d < report.designs.size(); ++d) {
    for (size_t b = 0; b < report.broods.size(); ++b)
      lowest = std::min(lowest, printed_share(detection_in(report, d, b)));
  }
  for (const double step : {0.02, 0.05, 0.1}) {
    const double from = std::max(0.0, std::floor((lowest - step / 2) / step) * step);
    if ((1 - from) / step <= 6 + 1e-9) return ProbabilityAxis{from, step};
  }
  return ProbabilityAxis{0, 0.2};
}

}  // namespace

Chart broods_chart(const BroodsReport& report, const FigureOptions& options) {
  const ChartScale sc = chart_scale(options.width, options.height);
  Chart chart = blank_chart(options);
  const double W = options.width;

  // Under the title, each design's corrected share, a paragraph each.
  const std::string heading =
      heading_of(options, "Each brood's probability of revealing multiple paternity");
  std::vector<std::vector<std::string>> shares;
  if (!report.source.empty()) {
    shares.push_back({file_name(report.source), "allele frequencies from " + report.frequencies});
  }
  for (const Note& line : share_lines(report)) shares.push_back({line.text});
  chart.title = heading + (report.source.empty() ? "" : ": " + joined_parts(shares.front()));
  const double plot_top = add_chart_title(chart, heading, shares, sc);

  // A design's broods in its colour and shape; filled where they showed
  // multiple paternity, an outline where they did not.
  const size_t designs = report.designs.size();
  std::vector<LegendEntry> entries;
  for (size_t d = 0; d < designs; ++d) {
    LegendEntry entry;
    entry.text = report.designs[d];
    entry.colour = chart_colour(static_cast<int>(d));
    entry.line = false;
    entry.mark = true;
    entry.shape = chart_shape(static_cast<int>(d));
    entry.role = "legend-design";
    entries.push_back(entry);
  }
  for (const bool filled : {true, false}) {
    LegendEntry entry;
    entry.text = filled ? "showed multiple paternity" : "did not";
    entry.colour = CHART_QUIET;
    entry.line = false;
    entry.mark = true;
    entry.filled = filled;
    entry.role = filled ? "legend-revealed" : "legend-not-revealed";
    entries.push_back(entry);
  }
  const Legend legend = lay_out_legend(entries, designs, sc, options.width);

  const BelowPlot under = below_plot(sc);
  const double below = under.legend + legend.height + sc.caption * 1.8 + sc.margin;
  chart.height = static_cast<int>(std::max(static_cast<double>(options.height),
                                           std::ceil(plot_top + options.height * 0.5 + below)));
  int largest = 1;
  for (const BroodVerdict& brood : report.broods)
    largest = std::max(largest, static_cast<int>(brood.offspring.size()));
  // The probability axis fitted to the marks: from a round step below the
  // lowest to just past 1, so that broods that all lie between 0.93 and 1
  // are told apart rather than drawn on top of one another.
  const ProbabilityAxis axis = fitted_axis(report);
  const double left_room =
      text_width(short_number(axis.step < 0.05 ? 0.92 : 0.8), sc.text) + sc.text * 2.4 + sc.margin;
  const double right_room =
      std::max(sc.margin * 1.5, text_width(std::to_string(largest + 1), sc.text) / 2 + sc.margin);
  const PlotArea plot{left_room, plot_top,      W - right_room, chart.height - below,
                      0.0,       largest + 1.0, axis.from,      1 + (1 - axis.from) * 0.05};

  const int ticks = static_cast<int>(std::lround((1 - axis.from) / axis.step));
  for (int tick = 0; tick <= ticks; ++tick) {
    const double value = axis.from + tick * axis.step;
    add_y_tick(chart, plot, value, short_number(value), sc);
  }
  const int step =
      size_step(0, largest + 1, (plot.right - plot.left) / (plot.x_to - plot.x_from), sc.text);
  for (int size = 0; size <= plot.x_to; size += step)
    add_x_tick(chart, plot, size, std::to_string(size), sc);
  add_frame(chart, plot, "Brood size (offspring genotyped)", "Probability of detection", sc);

  // Designs side by side at each size, so that one brood's marks under
  // several designs do not hide one another.
  const double spread = designs > 1 ? std::min(0.5, 0.15 * static_cast<double>(designs - 1)) : 0;
  for (size_t d = 0; d < designs; ++d) {
    const double offset = designs > 1 ? spread * (static_cast<double>(d) / (designs - 1) - 0.5) : 0;
    for (size_t b = 0; b < report.broods.size(); ++b) {
      const BroodVerdict& brood = report.broods[b];
      const ChartPoint at{plot.x(brood.offspring.size() + offset),
                          plot.y(printed_share(detection_in(report, d, b)))};
      const bool revealed = revealed_in(report, b);
      chart.marks.push_back(ChartMark{at, chart_shape(static_cast<int>(d)), 8 * sc.line,
                                      chart_colour(static_cast<int>(d)), revealed, 1.5 * sc.line,
                                      revealed ? "revealed" : "not-revealed"});
    }
  }

  add_legend(chart, legend, plot.bottom + under.legend, sc);
  // The likelihood estimates each brood from broods of its own, fewer.
  add_chart_caption(chart, options.seed,
                    report.by_likelihood ? report.likelihood_trials : options.trials, sc);
  return chart;
}

}  // namespace mpdetect
