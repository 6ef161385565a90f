#include <cmath>
#include <cstdio>
#include <sstream>

#include "plan/chart/chart.h"

namespace mpdetect {

namespace {

// A number of pixels, to a hundredth.
std::string px(double value) {
  return fixed_number(value, 2);
}

// The length of the well-formed UTF-8 sequence at `at`, or 0.
size_t utf8_length(const std::string& text, size_t at) {
  const auto byte = [&](size_t n) { return static_cast<unsigned char>(text[n]); };
  const unsigned char lead = byte(at);
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t n = 1; n < length; ++n) {
    if ((byte(at + n) & 0xC0) != 0x80) return 0;
  }
  // No overlong or surrogate forms, nothing past U+10FFFF.
  const unsigned char next = byte(at + 1);
  if ((lead == 0xE0 && next < 0xA0) || (lead == 0xED && next >= 0xA0) ||
      (lead == 0xF0 && next < 0x90) || (lead == 0xF4 && next >= 0x90))
    return 0;
  return length;
}

// Text as XML character data or an attribute value. Control bytes, which
// XML 1.0 cannot hold, become blanks; bytes that are not UTF-8 (a name
// from a Windows-1252 file) become U+FFFD, so that no parser refuses the
// whole figure for them.
std::string escaped(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      const size_t length = utf8_length(text, at);
      if (length == 0) {
        out += "\xEF\xBF\xBD";
      } else {
        out += text.substr(at, length);
        at += length - 1;
      }
      continue;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    }
  }
  return out;
}

std::string dash_attribute(const std::vector<double>& dashes) {
  if (dashes.empty()) return "";
  std::ostringstream out;
  out << " stroke-dasharray=\"";
  for (size_t n = 0; n < dashes.size(); ++n) out << (n ? "," : "") << px(dashes[n]);
  out << "\"";
  return out.str();
}

std::string polyline(const std::vector<ChartPoint>& points) {
  std::ostringstream out;
  for (size_t n = 0; n < points.size(); ++n)
    out << (n ? " " : "") << px(points[n].x) << "," << px(points[n].y);
  return out.str();
}

// The corners of a mark's shape around its centre, or none for a circle.
std::vector<ChartPoint> corners(const ChartMark& mark) {
  const double r = mark.size / 2, x = mark.at.x, y = mark.at.y;
  switch (mark.shape) {
    case MarkShape::SQUARE: {
      const double h = r * 0.89;  // a square of the circle's area
      return {{x - h, y - h}, {x + h, y - h}, {x + h, y + h}, {x - h, y + h}};
    }
    case MarkShape::TRIANGLE:
      return {{x, y - r * 1.2}, {x + r * 1.04, y + r * 0.6}, {x - r * 1.04, y + r * 0.6}};
    case MarkShape::TRIANGLE_DOWN:
      return {{x, y + r * 1.2}, {x + r * 1.04, y - r * 0.6}, {x - r * 1.04, y - r * 0.6}};
    case MarkShape::DIAMOND:
      return {{x, y - r * 1.25}, {x + r * 1.25, y}, {x, y + r * 1.25}, {x - r * 1.25, y}};
    case MarkShape::CIRCLE:
      break;
  }
  return {};
}

std::string paint(const ChartMark& mark) {
  std::ostringstream out;
  if (mark.filled) {
    out << " fill=\"" << mark.colour << "\" stroke=\"none\"";
  } else {
    out << " fill=\"none\" stroke=\"" << mark.colour << "\" stroke-width=\"" << px(mark.width)
        << "\"";
  }
  return out.str();
}

}  // namespace

std::string chart_svg(const Chart& chart) {
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << chart.width << "\" height=\""
      << chart.height << "\" viewBox=\"0 0 " << chart.width << " " << chart.height
      << "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" role=\"img\">\n"
      << "<title>" << escaped(chart.title) << "</title>\n"
      << "<rect width=\"" << chart.width << "\" height=\"" << chart.height
      << "\" fill=\"#ffffff\"/>\n";
  for (const ChartBox& box : chart.boxes) {
    svg << "<rect class=\"" << box.role << "\" x=\"" << px(box.left) << "\" y=\"" << px(box.top)
        << "\" width=\"" << px(box.right - box.left) << "\" height=\"" << px(box.bottom - box.top)
        << "\" fill=\"" << box.colour << "\"/>\n";
  }
  for (const ChartLine& line : chart.lines) {
    // A NaN point ends one polyline and starts the next.
    std::vector<ChartPoint> run;
    auto flush = [&]() {
      if (run.size() >= 2) {
        svg << "<polyline class=\"" << line.role << "\" points=\"" << polyline(run)
            << "\" fill=\"none\" stroke=\"" << line.colour << "\" stroke-width=\"" << px(line.width)
            << "\"" << dash_attribute(line.dashes) << " stroke-linejoin=\"round\"/>\n";
      }
      run.clear();
    };
    for (const ChartPoint& point : line.points) {
      if (std::isnan(point.x) || std::isnan(point.y)) {
        flush();
      } else {
        run.push_back(point);
      }
    }
    flush();
  }
  for (const ChartMark& mark : chart.marks) {
    if (mark.shape == MarkShape::CIRCLE) {
      svg << "<circle class=\"" << mark.role << "\" cx=\"" << px(mark.at.x) << "\" cy=\""
          << px(mark.at.y) << "\" r=\"" << px(mark.size / 2) << "\"" << paint(mark) << "/>\n";
    } else {
      svg << "<polygon class=\"" << mark.role << "\" points=\"" << polyline(corners(mark)) << "\""
          << paint(mark) << "/>\n";
    }
  }
  for (const ChartText& text : chart.texts) {
    const char* anchor = text.anchor == TextAnchor::START    ? "start"
                         : text.anchor == TextAnchor::MIDDLE ? "middle"
                                                             : "end";
    if (text.boxed) {
      const TextBox box = text_box(text);
      svg << "<rect x=\"" << px(box.left - 1) << "\" y=\"" << px(box.top - 1) << "\" width=\""
          << px(box.right - box.left + 2) << "\" height=\"" << px(box.bottom - box.top + 2)
          << "\" fill=\"#ffffff\"/>\n";
    }
    svg << "<text class=\"" << text.role << "\" x=\"" << px(text.at.x) << "\" y=\"" << px(text.at.y)
        << "\" font-size=\"" << px(text.size) << "\" text-anchor=\"" << anchor << "\" fill=\""
        << text.colour << "\"" << (text.bold ? " font-weight=\"bold\"" : "");
    if (text.vertical)
      svg << " transform=\"rotate(-90 " << px(text.at.x) << " " << px(text.at.y) << ")\"";
    svg << ">" << escaped(text.text) << "</text>\n";
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace mpdetect
