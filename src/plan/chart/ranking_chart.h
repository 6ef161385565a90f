// The ranking of loci laid out as a chart (chart.h): one row per locus in
// the forward order, top to bottom, its name at the left; a bar for the
// locus alone and a line through the estimate with it and every locus
// above it. The title names the brood size and what the design is (its
// input, sample, loci, sires and mother).
#pragma once

#include "plan/chart/chart.h"
#include "plan/chart/curve_chart.h"
#include "plan/estimate/locus_ranking.h"
#include "plan/model/design.h"

namespace mpdetect {

// The figure. Its canvas is options.width by options.height, taller when
// the loci need more rows than fit.
// REQUIRES: ranking is rank_loci's for `design`.
Chart ranking_chart(const Design& design, const LocusRanking& ranking, int brood_size,
                    const FigureOptions& options);

}  // namespace mpdetect
