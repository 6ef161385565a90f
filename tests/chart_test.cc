// The curve figure: read back from its SVG, no two texts overlap and each
// design has a look of its own, at every number of designs up to twelve and
// at the page's and the command line's sizes; gnuplot draws the same chart
// in every format; user texts stay text.
#include "plan/chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "frontend/gnuplot.h"
#include "plan/curve_chart.h"
#include "plan/figure.h"

namespace {

// A made-up curve rising to 1 that first reaches 0.95 at `reaches`, with
// the brood's ceiling under it. Close sizes across designs crowd the
// labels of the smallest sizes together, the case the layout must handle.
DesignCurve made_up_curve(const std::string& label, int reaches, int last, bool errors) {
  DesignCurve curve;
  curve.label = label;
  curve.source = "population.gen";
  curve.sample = "sample 1";
  curve.unsampled_mother = label.find("not sampled") != std::string::npos;
  curve.mother_given = label.find("given") != std::string::npos;
  for (int size = 1; size <= last; ++size) {
    // p = 1 - 0.05^(size / reaches): 0.95 at `reaches`, a little below it before.
    const double p = 1 - std::pow(0.05, static_cast<double>(size) / reaches);
    const int detections = static_cast<int>(std::round(std::min(p, 1.0) * TRIAL_COUNT));
    CurvePoint point{size,
                     detections,
                     std::min(1.0, 0.5 + size * 0.1),
                     TRIAL_COUNT,
                     TRIAL_COUNT,
                     detections,
                     p >= 0.95 ? Decision::REACHES : Decision::BELOW};
    if (errors) point.false_detections = TRIAL_COUNT / 20;
    curve.points.push_back(point);
  }
  return curve;
}

std::vector<DesignCurve> made_up_designs(int count, bool errors = false) {
  static const char* const mothers[] = {"mother drawn", "mother not sampled", "mother given (F12)"};
  static const char* const shares[] = {"2 sires 0.5/0.5", "2 sires 0.8/0.2", "3 sires 0.5/0.3/0.2",
                                       "4 sires 0.25/0.25/0.25/0.25"};
  std::vector<DesignCurve> curves;
  for (int d = 0; d < count; ++d) {
    const std::string label = "8 loci; " + std::string(shares[(d / 3) % 4]) + "; " + mothers[d % 3];
    curves.push_back(made_up_curve(label, 5 + d / 4, 100, errors));
  }
  return curves;
}

std::string attribute(const std::string& element, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const size_t at = element.find(key);
  if (at == std::string::npos) return "";
  const size_t from = at + key.size();
  return element.substr(from, element.find('"', from) - from);
}

std::string unescaped(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, plain] : entities) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
      text.replace(at, std::string(entity).size(), plain);
  }
  return text;
}

// Every element of `tag` in the SVG, with its content for a text.
struct Element {
  std::string open;     // the start tag
  std::string content;  // up to the end tag
};
std::vector<Element> elements(const std::string& svg, const std::string& tag) {
  std::vector<Element> found;
  for (size_t at = svg.find("<" + tag + " "); at != std::string::npos;
       at = svg.find("<" + tag + " ", at + 1)) {
    const size_t end = svg.find('>', at);
    Element element{svg.substr(at, end - at), ""};
    const size_t close = svg.find("</" + tag + ">", end);
    if (svg[end - 1] != '/' && close != std::string::npos)
      element.content = unescaped(svg.substr(end + 1, close - end - 1));
    found.push_back(element);
  }
  return found;
}

// Each text's box as the SVG places it, reckoned by the chart's own widths.
ChartText text_of(const Element& element) {
  ChartText text;
  text.text = element.content;
  text.at = {std::stod(attribute(element.open, "x")), std::stod(attribute(element.open, "y"))};
  text.size = std::stod(attribute(element.open, "font-size"));
  const std::string anchor = attribute(element.open, "text-anchor");
  text.anchor = anchor == "middle" ? TextAnchor::MIDDLE
                : anchor == "end"  ? TextAnchor::END
                                   : TextAnchor::START;
  text.bold = !attribute(element.open, "font-weight").empty();
  text.vertical = !attribute(element.open, "transform").empty();
  return text;
}

TEST(CurveChart, NoTextsOverlapAndEveryDesignLooksItsOwn) {
  const std::pair<int, int> sizes[] = {{800, 600}, {343, 257}, {1600, 1200}, {640, 480}};
  for (const int count : {1, 4, 8, 12}) {
    for (const auto& [width, height] : sizes) {
      SCOPED_TRACE(std::to_string(count) + " designs at " + std::to_string(width));
      FigureOptions options;
      options.width = width;
      options.height = height;
      options.seed = 20261209;
      const std::string svg =
          curve_figure(made_up_designs(count, count == 4), options, FigureFormat::SVG);
      const int canvas_height = std::stoi(attribute(svg.substr(svg.find("<svg")), "height"));
      EXPECT_GE(canvas_height, height);

      std::vector<ChartText> texts;
      for (const Element& element : elements(svg, "text")) texts.push_back(text_of(element));
      ASSERT_GT(texts.size(), 20u);
      for (size_t a = 0; a < texts.size(); ++a) {
        EXPECT_GE(texts[a].size, 11) << texts[a].text;
        const TextBox box = text_box(texts[a]);
        EXPECT_TRUE(box.left >= 0 && box.right <= width && box.top >= 0 &&
                    box.bottom <= canvas_height)
            << texts[a].text << " at " << texts[a].at.x << "," << texts[a].at.y;
        for (size_t b = a + 1; b < texts.size(); ++b) {
          EXPECT_FALSE(boxes_overlap(box, text_box(texts[b])))
              << "'" << texts[a].text << "' and '" << texts[b].text << "'";
        }
      }

      // One curve and one ring per design, each curve its own colour and
      // its (colour, dash) pair its own.
      const std::vector<Element> curves = elements(svg, "polyline");
      std::set<std::string> colours;
      std::set<std::string> looks;
      int drawn = 0;
      for (const Element& line : curves) {
        if (attribute(line.open, "class") != "curve") continue;
        ++drawn;
        colours.insert(attribute(line.open, "stroke"));
        looks.insert(attribute(line.open, "stroke") + attribute(line.open, "stroke-dasharray"));
      }
      EXPECT_EQ(drawn, count);
      EXPECT_EQ(static_cast<int>(colours.size()), count);
      EXPECT_EQ(static_cast<int>(looks.size()), count);
      int rings = 0;
      for (const Element& circle : elements(svg, "circle"))
        rings += attribute(circle.open, "class") == "smallest";
      EXPECT_EQ(rings, count);
    }
  }
}

TEST(CurveChart, WhatDesignsShareGoesToTheTitle) {
  const std::vector<DesignCurve> curves = made_up_designs(3);
  const std::string svg = curve_figure(curves, FigureOptions{}, FigureFormat::SVG);
  std::vector<std::string> subtitle, legend;
  for (const Element& text : elements(svg, "text")) {
    if (attribute(text.open, "class") == "subtitle") subtitle.push_back(text.content);
    if (attribute(text.open, "class") == "legend") legend.push_back(text.content);
  }
  ASSERT_EQ(subtitle.size(), 1u);
  EXPECT_EQ(subtitle[0], "population.gen; sample 1; 8 loci; 2 sires 0.5/0.5");
  ASSERT_GE(legend.size(), 3u);
  EXPECT_EQ(legend[0], "mother drawn");
  EXPECT_EQ(legend[1], "mother not sampled");
  EXPECT_EQ(legend[2], "mother given (F12)");

  // The mothers' line styles differ; one share variant, one shape.
  std::vector<std::string> dashes;
  for (const Element& line : elements(svg, "polyline")) {
    if (attribute(line.open, "class") == "curve")
      dashes.push_back(attribute(line.open, "stroke-dasharray"));
  }
  ASSERT_EQ(dashes.size(), 3u);
  EXPECT_EQ(dashes[0], "");
  EXPECT_NE(dashes[1], dashes[2]);
  EXPECT_NE(dashes[1], "");

  // A single design has everything in the title.
  const std::string one = curve_figure({curves.front()}, FigureOptions{}, FigureFormat::SVG);
  EXPECT_NE(one.find(">population.gen; sample 1; 8 loci; 2 sires 0.5/0.5; mother drawn</text>"),
            std::string::npos);
  EXPECT_NE(one.find(">probability of detection</text>"), std::string::npos);
  EXPECT_NE(one.find(">seed 0; 50000 broods per estimate</text>"), std::string::npos);
}

TEST(CurveChart, UserTextsStayText) {
  std::vector<DesignCurve> curves = made_up_designs(2);
  curves[0].source = "a<b>&\"c'.gen";
  curves[1].source = "Nancy-M\xe9nil.gen";  // Windows-1252, not UTF-8
  FigureOptions options;
  options.title = "<script>alert(1)</script>\nsecond line";
  const std::string svg = curve_figure(curves, options, FigureFormat::SVG);
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  EXPECT_NE(svg.find("&lt;script&gt;alert(1)&lt;/script&gt;</text>"), std::string::npos);
  EXPECT_NE(svg.find(">second line</text>"), std::string::npos);
  EXPECT_NE(svg.find("a&lt;b&gt;&amp;&quot;c&apos;.gen"), std::string::npos);
  EXPECT_NE(svg.find("Nancy-M\xEF\xBF\xBDnil.gen"), std::string::npos);
  EXPECT_EQ(svg.find("M\xe9n"), std::string::npos);
}

// gnuplot draws the same chart as PNG, PDF and SVG, at every number of
// designs; its texts are the SVG's.
TEST(CurveChart, GnuplotDrawsTheChartInEveryFormat) {
  if (!gnuplot_available()) GTEST_SKIP() << "gnuplot is not installed";
  for (const int count : {1, 4, 8, 12}) {
    const Chart chart = curve_chart(made_up_designs(count, count == 8), FigureOptions{});
    for (const FigureFormat format : {FigureFormat::PNG, FigureFormat::PDF, FigureFormat::SVG}) {
      std::string image, error;
      ASSERT_TRUE(run_gnuplot(chart_gnuplot(chart, format), image, error)) << error;
      EXPECT_TRUE(image_of_format(image, format)) << count << " designs";
      if (format != FigureFormat::SVG) continue;
      for (const ChartText& text : chart.texts) {
        std::string shown;
        for (const char c : text.text)
          shown += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
        EXPECT_NE(image.find(">" + shown + "</text>"), std::string::npos) << text.text;
      }
    }
  }
}

}  // namespace
