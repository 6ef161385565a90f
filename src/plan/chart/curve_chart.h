// The power-curve figure laid out as a chart (chart.h): one curve per
// design, each with its own colour, its line style saying which mother the
// design assumes and its marks which shares; what every design shares in
// the title, what tells them apart in the legend below the plot; the target,
// each design's ceiling in light grey, and each design's smallest size
// reaching the target marked and labelled where no label hides another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/chart/chart.h"
#include "plan/chart/chart_layout.h"
#include "plan/estimate/curve.h"

namespace mpdetect {

// The parts of a design's description, in order: its input (when the run
// has several), its sample, then its label's parts ("8 loci", "2 sires
// 0.5/0.5", "mother drawn", ...).
std::vector<std::string> design_parts(const DesignCurve& curve);

// The figure. Its canvas is options.width by options.height, taller when
// the legend needs it to leave the plot at least half the height.
// REQUIRES: !curves.empty(); each curve has at least one point.
Chart curve_chart(const std::vector<DesignCurve>& curves, const FigureOptions& options);

}  // namespace mpdetect
