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

namespace {}  // namespace

std::string gnuplot_string(const std::string& text) {
  // Single quotes: gnuplot substitutes nothing inside them (no backquotes,
  // no macros, no backslash escapes), and a quote is doubled. A line end
  // would end the command, so lines are joined with a double-quoted "\n",
  // which holds nothing of the user's.
  std::string result = "'";
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\'') {
      result += "''";
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
      result += "'.\"\\n\".'";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      result += ' ';
    } else {
      result += c;
    }
  }
  return result + "'";
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

std::string curve_figure(const std::vector<DesignCurve>& curves, const FigureOptions& options,
                         FigureFormat format) {
  std::ostringstream script;
  script << terminal(options, format);
  int first = MAX_OFFSPRING, last = 1;
  for (size_t d = 0; d < curves.size(); ++d) {
    script << "$design" << d << " << EOD\n";
    for (const CurvePoint& point : curves[d].points) {
      script << point.brood_size << " " << short_number(printed_estimate(point)) << " "
             << short_number(point.ceiling);
      if (point.false_detections >= 0)
        script << " " << short_number(std::round(false_detection_share(point) * 1000) / 1000);
      script << "\n";
      first = std::min(first, point.brood_size);
      last = std::max(last, point.brood_size);
    }
    script << "EOD\n";
    const int size = smallest_reaching(curves[d]);
    if (size > 0) {
      double estimate = 0;
      for (const CurvePoint& point : curves[d].points) {
        if (point.brood_size == size) estimate = printed_estimate(point);
      }
      script << "set label " << gnuplot_string(std::to_string(size)) << " at " << size << ","
             << short_number(estimate) << " point pointtype 6 pointsize 2.5 linecolor " << d + 1
             << " offset 0.6,-1.2 textcolor lt " << d + 1 << "\n";
    }
  }
  script << title(options, "Probability of detecting multiple paternity")
         << "set xlabel 'Brood size (offspring genotyped)'\n"
         << "set ylabel 'Probability of detection'\n"
         << "set yrange [0:1.05]\n"
         << "set xrange [" << (first > 1 ? first - 1 : 0) << ":" << last + 1 << "]\n"
         << "set grid\n"
         << "set key bottom right box opaque\n"
         << "plot ";
  for (size_t d = 0; d < curves.size(); ++d) {
    script << "$design" << d << " using 1:2 with linespoints linecolor " << d + 1
           << " pointtype 7 pointsize 0.5 title " << gnuplot_string(curves[d].label)
           << ", \\\n     ";
  }
  // With genotyping errors, each design's single sire: every detection
  // of its a false one.
  for (size_t d = 0; d < curves.size(); ++d) {
    if (!with_errors(curves[d])) continue;
    script << "$design" << d << " using 1:4 with lines dashtype 3 linecolor " << d + 1 << " title "
           << gnuplot_string(curves[d].label + ": one sire, false detections") << ", \\\n     ";
  }
  // Each design's ceiling, thin and light: the chance that two or more
  // sires father the brood, which no loci can exceed.
  for (size_t d = 0; d < curves.size(); ++d) {
    script << "$design" << d << " using 1:3 with lines linewidth 0.8 linecolor '#b0b0b0' "
           << (d == 0 ? "title 'two or more sires father the brood'" : "notitle") << ", \\\n     ";
  }
  script << short_number(options.target) << " with lines dashtype 2 linecolor 'black' title "
         << gnuplot_string("target " + short_number(options.target)) << "\n";
  return script.str();
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
