#include "plan/chart/ranking_chart.h"

#include <algorithm>
#include <cmath>

#include "plan/chart/chart_layout.h"
#include "plan/estimate/curve.h"
#include "plan/estimate/design_trials.h"
#include "plan/input/plan_text.h"
#include "simulation/sire_ceiling.h"

namespace mpdetect {

namespace {

const char* const ALONE = "#9ecae1";    // a pale blue: bars under the line
const char* const FORWARD = "#D55E00";  // vermilion, apart from the blue in any vision

// `name` cut, with an ellipsis, to at most `width` pixels at `size`.
std::string fitted_name(const std::string& name, double size, double width) {
  if (text_width(name, size) <= width) return name;
  std::string cut = name;
  while (!cut.empty() && text_width(cut + "\xE2\x80\xA6", size) > width) {
    // One whole character off the end: its continuation bytes, then its
    // first byte, so that no half character is left.
    while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();
    if (!cut.empty()) cut.pop_back();
  }
  return cut + "\xE2\x80\xA6";
}

}  // namespace

Chart ranking_chart(const Design& design, const LocusRanking& ranking, int brood_size,
                    const FigureOptions& options) {
  const ChartScale sc = chart_scale(options.width, options.height);
  Chart chart = blank_chart(options);
  const double W = options.width;

  const std::string heading =
      heading_of(options, "Which loci matter at brood size " + std::to_string(brood_size));
  const std::vector<std::string> parts = design_parts(curve_of(design));
  chart.title = heading + ": " + joined_parts(parts);
  const double plot_top = add_chart_title(chart, heading, {parts}, sc);

  // The most any panel detects at this size, as the shares allow: the
  // forward line can only approach it, which is why a choice stops short.
  // A design without its sires (none a study would hold) has none to draw.
  const bool has_sires = !wide_study_of(design).share.empty();
  const double ceiling = design_ceiling(design, brood_size);
  std::vector<LegendEntry> entries(has_sires ? 3 : 2);
  entries[0].text = "the locus alone";
  entries[0].colour = ALONE;
  entries[0].box = true;
  entries[0].role = "legend-alone";
  entries[1].text = "with every locus above it (each adds the most it can)";
  entries[1].colour = FORWARD;
  entries[1].width = 2 * sc.line;
  entries[1].mark = true;
  entries[1].role = "legend-forward";
  if (has_sires) {
    entries[2].text = CEILING_TEXT;
    entries[2].colour = CHART_CEILING;
    entries[2].width = 1.2 * sc.line;
    entries[2].role = "legend-ceiling";
  }
  const Legend legend = lay_out_legend(entries, entries.size(), sc, options.width);

  // A row per locus, at least a line of text high: the canvas grows for
  // them. Names wider than a third of the canvas are cut.
  const size_t rows = ranking.order.size();
  const BelowPlot under = below_plot(sc);
  const double below = under.legend + legend.height + sc.caption * 1.8 + sc.margin;
  const double least_pitch = sc.text * 1.35;
  chart.height = static_cast<int>(std::max(static_cast<double>(options.height),
                                           std::ceil(plot_top + rows * least_pitch + below)));
  std::vector<std::string> names;
  double widest = 0;
  for (const int locus : ranking.order) {
    names.push_back(fitted_name(design.locus_names[locus], sc.text, W / 3));
    widest = std::max(widest, text_width(names.back(), sc.text));
  }
  const double left_room = sc.margin + sc.text * 1.6 + widest + 8 * sc.s;
  const double right_room = std::max(sc.margin * 1.5, text_width("1", sc.text) / 2 + sc.margin);
  const PlotArea plot{left_room,
                      plot_top,
                      W - right_room,
                      chart.height - below,
                      0.0,
                      1.05,
                      static_cast<double>(rows),
                      0.0};

  for (int tenth = 0; tenth <= 10; tenth += 2)
    add_x_tick(chart, plot, tenth / 10.0, short_number(tenth / 10.0), sc);
  add_frame(chart, plot, "Probability of detection", "Loci in the forward order", sc);

  if (has_sires) {
    chart.lines.push_back(ChartLine{{{plot.x(ceiling), plot.top}, {plot.x(ceiling), plot.bottom}},
                                    CHART_CEILING,
                                    1.2 * sc.line,
                                    {},
                                    "ceiling"});
  }

  const double pitch = (plot.bottom - plot.top) / std::max<size_t>(rows, 1);
  const double bar = std::min(pitch * 0.6, 30 * sc.s);
  ChartLine forward{{}, FORWARD, 2 * sc.line, {}, "forward"};
  for (size_t n = 0; n < rows; ++n) {
    const double middle = plot.y(n + 0.5);
    const double alone = printed_probability(ranking.alone[ranking.order[n]]);
    chart.boxes.push_back(
        ChartBox{plot.x(0), middle - bar / 2, plot.x(alone), middle + bar / 2, ALONE, "alone"});
    const ChartPoint at{plot.x(printed_probability(ranking.forward[n])), middle};
    forward.points.push_back(at);
    chart.marks.push_back(
        ChartMark{at, MarkShape::CIRCLE, 7 * sc.line, FORWARD, true, 1, "forward-point"});
    chart.texts.push_back(chart_text(names[n], {plot.left - 6 * sc.s, middle + sc.text * 0.35},
                                     sc.text, TextAnchor::END, "#000000", "locus"));
  }
  chart.lines.push_back(forward);

  add_legend(chart, legend, plot.bottom + under.legend, sc);
  add_chart_caption(chart, options.seed, options.trials, sc);
  return chart;
}

}  // namespace mpdetect
