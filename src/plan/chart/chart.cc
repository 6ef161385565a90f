#include "plan/chart/chart.h"

#include <cmath>
#include <cstdio>

namespace mpdetect {

namespace {

// Advance widths of DejaVu Sans in ems, by class of character, each class at
// its widest member: a text reckoned by them is never narrower than drawn.
double advance(unsigned char c) {
  if (c == ' ' || c == '.' || c == ',' || c == ':' || c == ';' || c == '\'' || c == '!' ||
      c == '|' || c == 'i' || c == 'j' || c == 'l')
    return 0.34;
  if (c == '(' || c == ')' || c == '[' || c == ']' || c == '/' || c == '-' || c == 'f' ||
      c == 't' || c == 'r' || c == 'I')
    return 0.48;
  if (c == 'm' || c == 'w' || c == 'M' || c == 'W' || c == '%') return 0.98;
  if (c >= 'A' && c <= 'Z') return 0.78;
  return 0.64;  // digits (0.636), the other lower-case letters, and the rest
}

}  // namespace

double text_width(const std::string& text, double size, bool bold) {
  double ems = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;  // a UTF-8 continuation byte
    ems += byte >= 0x80 ? 0.78 : advance(byte);
  }
  return ems * size * (bold ? 1.12 : 1.0);
}

TextBox text_box(const ChartText& text) {
  const double width = text_width(text.text, text.size, text.bold);
  // From the baseline, capitals rise 0.73 em and descenders fall 0.24 em.
  const double rise = 0.76 * text.size, fall = 0.24 * text.size;
  const double before = text.anchor == TextAnchor::START    ? 0
                        : text.anchor == TextAnchor::MIDDLE ? width / 2
                                                            : width;
  if (text.vertical) {
    // Turned a quarter counterclockwise: the text runs upwards from its
    // anchor, the baseline on the right of the letters.
    return TextBox{text.at.x - rise, text.at.y - (width - before), text.at.x + fall,
                   text.at.y + before};
  }
  return TextBox{text.at.x - before, text.at.y - rise, text.at.x + width - before,
                 text.at.y + fall};
}

ChartText chart_text(std::string text, ChartPoint at, double size, TextAnchor anchor,
                     std::string colour, std::string role) {
  ChartText made;
  made.text = std::move(text);
  made.at = at;
  made.size = size;
  made.anchor = anchor;
  made.colour = std::move(colour);
  made.role = std::move(role);
  return made;
}

bool boxes_overlap(const TextBox& a, const TextBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string fixed_number(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::round(value * scale) / scale);
  std::string out = text;
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  return out == "-0" ? "0" : out;
}

}  // namespace mpdetect
