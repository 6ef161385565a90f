#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <tuple>

#include "plan/chart/chart.h"

namespace mpdetect {

std::string gnuplot_string(const std::string& text) {
  // Single quotes: gnuplot substitutes nothing inside them (no backquotes,
  // no macros, no backslash escapes). A quote within is not doubled, which
  // gnuplot's scanner misreads beside another or at the start, but joined
  // on as a double-quoted "'"; a line end, which would end the command, as
  // a double-quoted "\n". Neither holds anything of the user's.
  std::string result = "'";
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\'') {
      result += "'.\"'\".'";
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

namespace {

// How each terminal turns the chart's pixels into its own units, measured
// on gnuplot 5.4's cairo terminals: a font of size 1 is `font` pixels
// across the em, a line width of 1 is `line` pixels, a point size of 1 is
// `point` pixels across, and a dash of 1 is `dash` times the line width in
// pixels. A PDF is 100 pixels to the inch.
struct Units {
  double font, line, point, dash;
};

Units units_of(FigureFormat format) {
  if (format == FigureFormat::PDF) return Units{0.89, 0.69, 8.6, 0.55};
  return Units{1.3, 1.0, 6.2, 0.5};
}

// A number of the script, to a thousandth.
std::string number(double value) {
  return fixed_number(value, 3);
}

// gnuplot's filled and open point types for each shape.
int point_type(const ChartMark& mark) {
  switch (mark.shape) {
    case MarkShape::CIRCLE:
      return mark.filled ? 7 : 6;
    case MarkShape::SQUARE:
      return mark.filled ? 5 : 4;
    case MarkShape::TRIANGLE:
      return mark.filled ? 9 : 8;
    case MarkShape::TRIANGLE_DOWN:
      return mark.filled ? 11 : 10;
    case MarkShape::DIAMOND:
      return mark.filled ? 13 : 12;
  }
  return 7;
}

// A point type's size against the circle's, so that shapes of one size
// look alike.
double shape_scale(MarkShape shape) {
  return shape == MarkShape::CIRCLE ? 1.0 : shape == MarkShape::SQUARE ? 0.9 : 1.15;
}

}  // namespace

std::string chart_gnuplot(const Chart& chart, FigureFormat format) {
  const Units units = units_of(format);
  std::ostringstream script;
  const std::string font = "font 'DejaVu Sans," + number(12 / units.font) + "'";
  switch (format) {
    case FigureFormat::PNG:
      script << "set terminal pngcairo size " << chart.width << "," << chart.height
             << " noenhanced " << font << " background '#ffffff'\n";
      break;
    case FigureFormat::SVG:
      script << "set terminal svg size " << chart.width << "," << chart.height << " noenhanced "
             << font << " background '#ffffff'\n";
      break;
    case FigureFormat::PDF:
      script << "set terminal pdfcairo size " << number(chart.width / 100.0) << "in,"
             << number(chart.height / 100.0) << "in noenhanced " << font
             << " background '#ffffff'\n";
      break;
  }
  // The whole canvas is the plot, one unit a pixel, y downwards, as the
  // chart is laid out.
  script << "set lmargin at screen 0\nset rmargin at screen 1\n"
            "set tmargin at screen 1\nset bmargin at screen 0\n"
            "unset border\nunset tics\nunset key\n"
         << "set xrange [0:" << chart.width << "]\nset yrange [" << chart.height << ":0]\n"
         << "set style textbox opaque noborder\n";

  // Boxes are objects behind every plotted line and mark.
  int object = 0;
  for (const ChartBox& box : chart.boxes) {
    script << "set object " << ++object << " rectangle from " << number(box.left) << ","
           << number(box.top) << " to " << number(box.right) << "," << number(box.bottom)
           << " fillcolor rgb '" << box.colour << "' fillstyle solid 1.0 noborder back\n";
  }
  int label = 0;
  for (const ChartText& text : chart.texts) {
    // gnuplot centres a label's capitals on its point; the chart gives the
    // baseline.
    const double lift = 0.365 * text.size;
    const double x = text.vertical ? text.at.x - lift : text.at.x;
    const double y = text.vertical ? text.at.y : text.at.y - lift;
    script << "set label " << ++label << " " << gnuplot_string(text.text) << " at " << number(x)
           << "," << number(y) << " "
           << (text.anchor == TextAnchor::START    ? "left"
               : text.anchor == TextAnchor::MIDDLE ? "center"
                                                   : "right")
           << (text.vertical ? " rotate by 90" : "") << " font 'DejaVu Sans"
           << (text.bold ? ":Bold" : "") << "," << number(text.size / units.font)
           << "' textcolor rgb '" << text.colour << "'" << (text.boxed ? " boxed" : "")
           << " front\n";
  }

  std::vector<std::string> plots;
  for (size_t n = 0; n < chart.lines.size(); ++n) {
    const ChartLine& line = chart.lines[n];
    script << "$line" << n << " << EOD\n";
    for (const ChartPoint& point : line.points) {
      if (std::isnan(point.x) || std::isnan(point.y)) {
        script << "\n";
      } else {
        script << number(point.x) << " " << number(point.y) << "\n";
      }
    }
    script << "EOD\n";
    const double width = line.width / units.line;
    std::string plot = "$line";
    plot.append(std::to_string(n)).append(" with lines linewidth ").append(number(width));
    plot.append(" linecolor rgb '").append(line.colour).append("' dashtype ");
    if (line.dashes.empty()) plot.append("solid");
    for (size_t k = 0; k < line.dashes.size(); ++k) {
      plot.append(k == 0 ? "(" : ",").append(number(line.dashes[k] / (units.dash * line.width)));
    }
    if (!line.dashes.empty()) plot.append(")");
    plots.push_back(plot);
  }
  // Marks of one look go in one block.
  using Look = std::tuple<int, std::string, std::string, std::string>;
  std::map<Look, std::string> blocks;
  std::vector<Look> order;
  for (const ChartMark& mark : chart.marks) {
    const Look look{point_type(mark), number(mark.size / units.point / shape_scale(mark.shape)),
                    mark.colour, number(mark.width / units.line)};
    if (blocks.find(look) == blocks.end()) order.push_back(look);
    blocks[look] += number(mark.at.x) + " " + number(mark.at.y) + "\n";
  }
  for (size_t n = 0; n < order.size(); ++n) {
    const auto& [type, size, colour, width] = order[n];
    script << "$marks" << n << " << EOD\n" << blocks[order[n]] << "EOD\n";
    plots.push_back("$marks" + std::to_string(n) + " with points pointtype " +
                    std::to_string(type) + " pointsize " + size + " linewidth " + width +
                    " linecolor rgb '" + colour + "'");
  }
  script << "plot ";
  if (plots.empty()) script << "NaN notitle";
  for (size_t n = 0; n < plots.size(); ++n) script << (n ? ", \\\n     " : "") << plots[n];
  script << "\n";
  return script.str();
}

}  // namespace mpdetect
