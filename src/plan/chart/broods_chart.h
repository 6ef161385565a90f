// The judged broods laid out as a chart (chart.h): each brood's probability
// of revealing multiple paternity against its size, a colour and a shape
// per assumed design, filled where the brood showed multiple paternity;
// the brood file, whom the frequencies come from and each design's corrected
// share under the title.
#pragma once

#include "plan/chart/chart.h"
#include "plan/chart/curve_chart.h"
#include "plan/estimate/brood_analysis.h"

namespace mpdetect {

// The figure, on a canvas of options.width by options.height.
// REQUIRES: report is analyse_broods's, with at least one design.
Chart broods_chart(const BroodsReport& report, const FigureOptions& options);

}  // namespace mpdetect
