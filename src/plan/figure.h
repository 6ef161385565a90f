// The planner's figures as gnuplot scripts: the power curves of several
// designs in one figure, and the ranking of loci. The script writes the
// image to standard output, as PNG, SVG or PDF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/brood_analysis.h"
#include "plan/curve.h"
#include "plan/locus_ranking.h"
#include "simulation/estimate.h"

enum class FigureFormat { PNG, SVG, PDF };

// The format a file name's extension asks for (.png, .svg, .pdf, any case);
// false for any other.
bool figure_format_of(const std::string& path, FigureFormat& format);

// `text` as a gnuplot string constant that gnuplot takes as text only: no
// substitution of commands or macros, no escapes, every line end kept.
std::string gnuplot_string(const std::string& text);

// True when `image` is a file of `format` (by its first bytes), so that
// whatever else gnuplot printed never replaces a figure.
bool image_of_format(const std::string& image, FigureFormat format);

struct FigureOptions {
  int width = 800;  // pixels; a PDF is 1/100 of this in inches
  int height = 600;
  std::string title;  // empty: the figure's own
  uint32_t seed = 0;
  double target = 0.95;
  int64_t trials = TRIAL_COUNT;  // trials per estimate, for the caption
};

// One curve per design with its label in the legend, the target as a dashed
// line, and each design's smallest size reaching it marked.
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
