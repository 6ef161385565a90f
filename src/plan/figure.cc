#include "plan/figure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "plan/plan_text.h"
#include "simulation/estimate.h"

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

// How much larger than the 800 x 600 default the figure is: fonts, lines
// and points grow with it.
double scale_of(const FigureOptions& options) {
  return std::max(0.5, std::min(options.width / 800.0, options.height / 600.0));
}

std::string terminal(const FigureOptions& options, FigureFormat format) {
  std::ostringstream line;
  const double scale = scale_of(options);
  const std::string font = "noenhanced font 'sans," + short_number(10 * scale) + "'";
  switch (format) {
    case FigureFormat::PNG:
      line << "set terminal pngcairo size " << options.width << "," << options.height << " " << font
           << " linewidth " << short_number(scale);
      break;
    case FigureFormat::SVG:
      line << "set terminal svg size " << options.width << "," << options.height << " " << font
           << " linewidth " << short_number(scale) << " background '#ffffff'";
      break;
    case FigureFormat::PDF:
      line << "set terminal pdfcairo size " << short_number(options.width / 100.0) << "in,"
           << short_number(options.height / 100.0) << "in " << font << " linewidth "
           << short_number(scale);
      break;
  }
  return line.str() + "\n";
}

std::string title(const FigureOptions& options, const std::string& own) {
  return "set title " +
         gnuplot_string((options.title.empty() ? own : options.title) + "\n" + "seed " +
                        std::to_string(options.seed) + ", " + std::to_string(options.trials) +
                        " broods per estimate") +
         "\n";
}

}  // namespace

FigureOptions figure_options_of(const PlanOptions& options, uint32_t seed, double target) {
  return FigureOptions{options.width, options.height,
                       options.title, seed,
                       target,        options.command == "curve" ? options.trials : TRIAL_COUNT};
}

std::string curve_figure(const std::vector<DesignCurve>& curves, const FigureOptions& options,
                         FigureFormat format) {
  const Chart chart = curve_chart(curves, options);
  return format == FigureFormat::SVG ? chart_svg(chart) : chart_gnuplot(chart, format);
}

std::string ranking_figure(const Design& design, const LocusRanking& ranking, int brood_size,
                           const FigureOptions& options, FigureFormat format) {
  std::ostringstream script;
  script << terminal(options, format) << "$ranking << EOD\n";
  for (size_t n = 0; n < ranking.order.size(); ++n) {
    const int locus = ranking.order[n];
    script << n + 1 << " " << short_number(printed_probability(ranking.forward[n])) << " "
           << short_number(printed_probability(ranking.alone[locus])) << "\n";
  }
  script << "EOD\n";
  // The names as tic labels, not in the data block, so that every user text
  // is a quoted string.
  script << "set xtics (";
  for (size_t n = 0; n < ranking.order.size(); ++n) {
    script << (n ? ", " : "") << gnuplot_string(design.locus_names[ranking.order[n]]) << " "
           << n + 1;
  }
  script << ")\n"
         << title(options, "Which loci matter at brood size " + std::to_string(brood_size))
         << "set xlabel 'Loci in the forward order (each adds the most)'\n"
         << "set ylabel 'Probability of detection'\n"
         << "set yrange [0:1.05]\n"
         << "set xrange [0.5:" << ranking.order.size() + 0.5 << "]\n"
         << "set xtics rotate by -45\n"
         << "set grid ytics\n"
         << "set key below\n"
         << "set style fill solid 0.4\n"
         << "set boxwidth 0.6\n"
         << "plot $ranking using 1:3 with boxes linecolor 2 title 'locus alone', \\\n"
         << "     $ranking using 1:2 with linespoints linecolor 1 pointtype 7 title "
            "'with the loci before it'\n";
  return script.str();
}

std::string broods_figure(const BroodsReport& report, const FigureOptions& options,
                          FigureFormat format) {
  std::ostringstream script;
  script << terminal(options, format);
  int largest = 1;
  for (size_t d = 0; d < report.designs.size(); ++d) {
    script << "$design" << d << " << EOD\n";
    for (size_t b = 0; b < report.broods.size(); ++b) {
      const BroodVerdict& brood = report.broods[b];
      largest = std::max(largest, static_cast<int>(brood.offspring.size()));
      script << brood.offspring.size() << " "
             << short_number(printed_probability(report.detections[d][b])) << " "
             << (brood.revealed ? 1 : 0) << "\n";
    }
    script << "EOD\n";
  }
  std::string caption = "Each brood's probability of revealing multiple paternity";
  for (const std::string& line : share_lines(report)) caption += "\n" + line;
  script << title(options, caption) << "set xlabel 'Brood size (offspring genotyped)'\n"
         << "set ylabel 'Probability of detection'\n"
         << "set yrange [0:1.05]\n"
         << "set xrange [0:" << largest + 1 << "]\n"
         << "set grid\n"
         << "set key below\n"
         << "plot ";
  for (size_t d = 0; d < report.designs.size(); ++d) {
    const std::string& label = report.designs[d];
    script << (d ? ", \\\n     " : "") << "$design" << d
           << " using 1:($3 == 1 ? $2 : NaN) with points pointtype 7 pointsize 1.2 linecolor "
           << d + 1 << " title " << gnuplot_string(label + ": showed multiple paternity")
           << ", \\\n     $design" << d
           << " using 1:($3 == 0 ? $2 : NaN) with points pointtype 6 pointsize 1.2 linecolor "
           << d + 1 << " title " << gnuplot_string(label + ": did not");
  }
  script << "\n";
  return script.str();
}
