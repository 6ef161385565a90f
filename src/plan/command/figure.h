// The planner's figures: the power curves of several designs in one figure,
// the ranking of loci and the judged broods, each laid out once as a chart
// (curve_chart.h, ranking_chart.h, broods_chart.h) and given as the SVG
// itself or as the gnuplot script that draws the same chart as PNG or PDF
// on standard output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/chart/chart.h"
#include "plan/chart/curve_chart.h"
#include "plan/estimate/brood_analysis.h"
#include "plan/estimate/curve.h"
#include "plan/estimate/locus_ranking.h"
#include "simulation/estimate.h"

namespace mpdetect {

// The format a file name's extension asks for (.png, .svg, .pdf, any case);
// false for any other.
bool figure_format_of(const std::string& path, FigureFormat& format);

// True when `image` is a file of `format` (by its first bytes), so that
// whatever else gnuplot printed never replaces a figure.
bool image_of_format(const std::string& image, FigureFormat format);

// Each figure as an image of `format`: the SVG itself, or for PNG and PDF
// the gnuplot script that draws it.
std::string curve_figure(const std::vector<DesignCurve>& curves, const FigureOptions& options,
                         FigureFormat format);

// The forward order of loci against the estimate, with each locus alone.
std::string ranking_figure(const Design& design, const LocusRanking& ranking, int brood_size,
                           const FigureOptions& options, FigureFormat format);

// Each brood's detection probability against its size, one colour per
// design, the broods that showed multiple paternity filled; the corrected
// share of each design and its interval under the title.
std::string broods_figure(const BroodsReport& report, const FigureOptions& options,
                          FigureFormat format);

}  // namespace mpdetect
