#include "plan/command/figure.h"

#include "plan/chart/broods_chart.h"
#include "plan/chart/ranking_chart.h"
#include "plan/input/plan_text.h"
#include "simulation/estimate.h"

namespace mpdetect {

bool figure_format_of(const std::string& path, FigureFormat& format) {
  const size_t dot = path.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : lower(path.substr(dot));
  if (extension == ".png")
    format = FigureFormat::PNG;
  else if (extension == ".svg")
    format = FigureFormat::SVG;
  else if (extension == ".pdf")
    format = FigureFormat::PDF;
  else
    return false;
  return true;
}

bool image_of_format(const std::string& image, FigureFormat format) {
  switch (format) {
    case FigureFormat::PNG:
      return image.rfind("\x89PNG\r\n\x1a\n", 0) == 0;
    case FigureFormat::PDF:
      return image.rfind("%PDF-", 0) == 0;
    case FigureFormat::SVG:
      return image.rfind("<?xml", 0) == 0 && image.find("<svg") != std::string::npos &&
             image.find("</svg>") != std::string::npos;
  }
  return false;
}

namespace {

std::string drawn(const Chart& chart, FigureFormat format) {
  return format == FigureFormat::SVG ? chart_svg(chart) : chart_gnuplot(chart, format);
}

}  // namespace

std::string curve_figure(const std::vector<DesignCurve>& curves, const FigureOptions& options,
                         FigureFormat format) {
  return drawn(curve_chart(curves, options), format);
}

std::string ranking_figure(const Design& design, const LocusRanking& ranking, int brood_size,
                           const FigureOptions& options, FigureFormat format) {
  return drawn(ranking_chart(design, ranking, brood_size, options), format);
}

std::string broods_figure(const BroodsReport& report, const FigureOptions& options,
                          FigureFormat format) {
  return drawn(broods_chart(report, options), format);
}

}  // namespace mpdetect
