// The figures: read back from their SVG, no two texts overlap and each
// design has a look of its own, at every number of designs up to twelve (of
// loci up to 25) and at the page's and the command line's sizes; gnuplot
// draws the same charts in every format; user texts stay text.
#include "plan/chart/chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "frontend/gnuplot.h"
#include "plan/chart/broods_chart.h"
#include "plan/chart/curve_chart.h"
#include "plan/chart/ranking_chart.h"
#include "plan/command/figure.h"

namespace mpdetect {

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

// Every text of the SVG at least 11 px, inside the canvas and clear of
// every other; the texts, for more checks.
std::vector<ChartText> texts_apart(const std::string& svg, int width) {
  const int canvas_height = std::stoi(attribute(svg.substr(svg.find("<svg")), "height"));
  std::vector<ChartText> texts;
  for (const Element& element : elements(svg, "text")) texts.push_back(text_of(element));
  for (size_t a = 0; a < texts.size(); ++a) {
    EXPECT_GE(texts[a].size, 11) << texts[a].text;
    const TextBox box = text_box(texts[a]);
    EXPECT_TRUE(box.left >= 0 && box.right <= width && box.top >= 0 && box.bottom <= canvas_height)
        << texts[a].text << " at " << texts[a].at.x << "," << texts[a].at.y;
    for (size_t b = a + 1; b < texts.size(); ++b) {
      EXPECT_FALSE(boxes_overlap(box, text_box(texts[b])))
          << "'" << texts[a].text << "' and '" << texts[b].text << "'";
    }
  }
  return texts;
}

// The texts of one class, in order.
std::vector<std::string> texts_of(const std::string& svg, const std::string& role) {
  std::vector<std::string> found;
  for (const Element& text : elements(svg, "text")) {
    if (attribute(text.open, "class") == role) found.push_back(text.content);
  }
  return found;
}

// Wrapped lines joined back at the blanks they were cut at.
std::string joined_with(const std::vector<std::string>& lines, const std::string& joint) {
  std::string text;
  for (size_t n = 0; n < lines.size(); ++n) text += (n ? joint : "") + lines[n];
  return text;
}

// A design of `loci` loci, made up: the names, the label and where it
// comes from are what the ranking shows.
Design made_up_design(int loci) {
  Design design{};
  design.label = std::to_string(loci) + " loci; 2 sires 0.5/0.5; mother given (F12)";
  design.source = "data/population.gen";
  design.sample = "sample 1";
  design.study.mother_known = true;
  for (int n = 0; n < loci; ++n) design.locus_names.push_back("Mpa" + std::to_string(n + 1));
  return design;
}

// Each locus alone detects less the later it is in the order, the forward
// order adds up towards all.
LocusRanking made_up_ranking(int loci) {
  LocusRanking ranking;
  for (int n = 0; n < loci; ++n) {
    ranking.alone.push_back(TRIAL_COUNT * (loci - n) / (loci + 1));
    ranking.without.push_back(TRIAL_COUNT - n);
    ranking.order.push_back(loci - 1 - n);
    ranking.forward.push_back(TRIAL_COUNT - TRIAL_COUNT / (n + 2));
  }
  return ranking;
}

// Broods of 1 to `count` offspring, every third revealed, under `designs`
// designs.
BroodsReport made_up_broods(int count, int designs) {
  BroodsReport report;
  report.source = "data/broods.gen";
  report.frequencies = "the 30 mothers";
  for (int b = 0; b < count; ++b) {
    BroodVerdict brood{};
    brood.offspring.assign(static_cast<size_t>(b + 1), 0);
    brood.revealed = b % 3 == 0;
    report.broods.push_back(brood);
  }
  for (int d = 0; d < designs; ++d) {
    report.designs.push_back(std::to_string(d + 2) + " sires with equal shares");
    std::vector<int> detections;
    for (int b = 0; b < count; ++b) detections.push_back(TRIAL_COUNT * (b + 1) / (count + d + 1));
    report.detections.push_back(detections);
    report.shares.push_back(ShareEstimate{0.3, 0.4, 0.2, 0.6, d % 2 == 0});
  }
  return report;
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
      EXPECT_GT(texts_apart(svg, width).size(), 20u);

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

// The ranking: a row per locus in the forward order, its bar as long as
// the locus alone detects and the forward line through every row; the
// title names the design; long names cut, every text clear of the others,
// with 3 loci and with 25, at every size.
TEST(RankingChart, RowsFollowTheOrderAndTextsStayApart) {
  const std::pair<int, int> sizes[] = {{800, 600}, {343, 257}, {1600, 1200}};
  for (const int loci : {3, 25}) {
    for (const auto& [width, height] : sizes) {
      SCOPED_TRACE(std::to_string(loci) + " loci at " + std::to_string(width));
      Design design = made_up_design(loci);
      design.locus_names[0] =
          "a locus name far too long for any figure's margin, \xC3\xA9t\xC3\xA9";
      FigureOptions options;
      options.width = width;
      options.height = height;
      const LocusRanking ranking = made_up_ranking(loci);
      const std::string svg = ranking_figure(design, ranking, 12, options, FigureFormat::SVG);
      texts_apart(svg, width);
      EXPECT_EQ(texts_of(svg, "title"),
                std::vector<std::string>{"Which loci matter at brood size 12"});
      EXPECT_EQ(joined_with(texts_of(svg, "subtitle"), " "),
                "population.gen; sample 1; " + std::to_string(loci) +
                    " loci; 2 sires 0.5/0.5; mother given (F12)");

      const std::vector<std::string> names = texts_of(svg, "locus");
      ASSERT_EQ(names.size(), static_cast<size_t>(loci));
      for (int n = 0; n + 1 < loci; ++n) EXPECT_EQ(names[n], design.locus_names[loci - 1 - n]);
      EXPECT_EQ(names.back().substr(0, 6), "a locu");
      EXPECT_EQ(names.back().substr(names.back().size() - 3), "\xE2\x80\xA6");
      if (loci == 3) {
        // Cut one character at a time, whatever its length: as much of a
        // name of one- and two-byte characters as fits, no half character.
        std::string mixed;
        for (int n = 0; n < 40; ++n)
          mixed +=
              "\xC3\xA9"
              "a";
        design.locus_names[0] = mixed;
        const std::string cut =
            texts_of(ranking_figure(design, ranking, 12, options, FigureFormat::SVG), "locus")
                .back();
        const std::string kept = cut.substr(0, cut.size() - 3);
        ASSERT_EQ(mixed.rfind(kept, 0), 0u);
        ASSERT_LT(kept.size(), mixed.size());
        EXPECT_NE(static_cast<unsigned char>(mixed[kept.size()]) & 0xC0, 0x80)
            << "half a character";
        const size_t next = mixed[kept.size()] == 'a' ? 1 : 2;
        const double size = chart_scale(options.width, options.height).text;
        EXPECT_GT(text_width(mixed.substr(0, kept.size() + next) + "\xE2\x80\xA6", size),
                  options.width / 3.0)
            << "one more character would still have fitted";
      }
      // Bars top to bottom, each as long as its locus alone.
      std::vector<double> lengths, tops;
      for (const Element& bar : elements(svg, "rect")) {
        if (attribute(bar.open, "class") != "alone") continue;
        lengths.push_back(std::stod(attribute(bar.open, "width")));
        tops.push_back(std::stod(attribute(bar.open, "y")));
      }
      ASSERT_EQ(lengths.size(), static_cast<size_t>(loci));
      for (int n = 0; n + 1 < loci; ++n) {
        EXPECT_LT(tops[n], tops[n + 1]);
        const double ratio = static_cast<double>(ranking.alone[ranking.order[n]]) /
                             ranking.alone[ranking.order[n + 1]];
        EXPECT_NEAR(lengths[n] / lengths[n + 1], ratio, 0.02 * ratio);
      }
      int points = 0;
      for (const Element& mark : elements(svg, "circle"))
        points += attribute(mark.open, "class") == "forward-point";
      EXPECT_EQ(points, loci);
    }
  }
}

// The broods: a mark per brood and design, filled where it showed several
// fathers, each design its colour and shape; the shares under the title.
TEST(BroodsChart, EveryBroodMarkedAndTheSharesUnderTheTitle) {
  for (const int designs : {1, 3, 12}) {
    for (const int width : {800, 343}) {
      SCOPED_TRACE(std::to_string(designs) + " designs at " + std::to_string(width));
      const BroodsReport report = made_up_broods(30, designs);
      FigureOptions options;
      options.width = width;
      options.height = width * 3 / 4;
      const std::string svg = broods_figure(report, options, FigureFormat::SVG);
      texts_apart(svg, width);
      // Lines wrapped at blanks, so that they join back into the file, the
      // frequencies' source and the shares.
      std::string shares = "broods.gen; allele frequencies from the 30 mothers ";
      for (const Note& line : share_lines(report)) shares += line.text + " ";
      EXPECT_EQ(joined_with(texts_of(svg, "subtitle"), " ") + " ", shares);
      int filled = 0, open = 0;
      std::set<std::string> looks;
      for (const std::string tag : {"circle", "polygon"}) {
        for (const Element& mark : elements(svg, tag)) {
          const std::string role = attribute(mark.open, "class");
          filled += role == "revealed";
          open += role == "not-revealed";
          if (role == "revealed") looks.insert(tag + attribute(mark.open, "fill"));
        }
      }
      EXPECT_EQ(filled, 10 * designs);
      EXPECT_EQ(open, 20 * designs);
      EXPECT_EQ(static_cast<int>(looks.size()), designs);
    }
  }
}

// The ranking shows the most the shares allow at its size, the ceiling the
// forward line can only approach: two equal sires at 4 offspring, 0.875.
TEST(RankingChart, TheCeilingStandsWhereTheSharesPutIt) {
  Design design = made_up_design(5);
  design.study.sire_count = 2;
  design.study.skew[0] = design.study.skew[1] = 0.5;
  const std::string svg =
      ranking_figure(design, made_up_ranking(5), 4, FigureOptions{}, FigureFormat::SVG);
  // Where 0.8 and 1 stand on the axis, and the ceiling between them.
  double at_08 = 0, at_1 = 0, ceiling = -1;
  for (const Element& text : elements(svg, "text")) {
    if (attribute(text.open, "class") != "tick") continue;
    if (text.content == "0.8") at_08 = std::stod(attribute(text.open, "x"));
    if (text.content == "1") at_1 = std::stod(attribute(text.open, "x"));
  }
  for (const Element& line : elements(svg, "polyline")) {
    if (attribute(line.open, "class") == "ceiling")
      ceiling = std::stod(attribute(line.open, "points"));
  }
  ASSERT_GT(at_1, at_08);
  EXPECT_NEAR((ceiling - at_08) / (at_1 - at_08), (0.875 - 0.8) / 0.2, 0.01);
  EXPECT_NE(joined_with(texts_of(svg, "legend"), " ").find(CEILING_TEXT), std::string::npos);
}

// Designs whose single sires detect falsely alike have one companion drawn
// between them, grey, named in the legend for each of them; a design whose
// companion is its own keeps it in its colour.
TEST(CurveChart, CompanionsAlikeAreDrawnOnce) {
  std::vector<DesignCurve> curves = made_up_designs(3, true);
  for (CurvePoint& point : curves[2].points) point.false_detections = TRIAL_COUNT / 10;
  const std::string svg = curve_figure(curves, FigureOptions{}, FigureFormat::SVG);
  std::vector<std::string> colours;
  for (const Element& line : elements(svg, "polyline")) {
    if (attribute(line.open, "class") == "false-detections")
      colours.push_back(attribute(line.open, "stroke"));
  }
  ASSERT_EQ(colours.size(), 2u) << "designs 1 and 2 share one, design 3 has its own";
  EXPECT_EQ(colours[0], CHART_QUIET);
  EXPECT_EQ(colours[1], chart_colour(2));
  const std::string legend = joined_with(texts_of(svg, "legend"), " ");
  EXPECT_NE(legend.find("one sire, alike for mother drawn and mother not sampled: its "
                        "detections all false"),
            std::string::npos)
      << legend;
  EXPECT_NE(legend.find("one sire: its detections all false (dotted)"), std::string::npos);
  texts_apart(svg, 800);
}

// The probability axis is fitted to the broods: all between 0.93 and 1,
// it runs from 0.92 by 0.02; spread from near 0, from 0 by 0.2.
TEST(BroodsChart, TheAxisFitsTheBroods) {
  BroodsReport high = made_up_broods(10, 1);
  for (size_t b = 0; b < high.detections[0].size(); ++b)
    high.detections[0][b] = TRIAL_COUNT * 93 / 100 + static_cast<int>(b) * 300;
  const struct {
    const BroodsReport report;
    std::vector<std::string> ticks;
  } rows[] = {
      {high, {"0.92", "0.94", "0.96", "0.98", "1"}},
      {made_up_broods(30, 1), {"0", "0.2", "0.4", "0.6", "0.8", "1"}},
  };
  for (const auto& row : rows) {
    FigureOptions options;
    const std::string svg = broods_figure(row.report, options, FigureFormat::SVG);
    // The probability axis's numbers stand at its left, ending there.
    std::vector<std::string> ys;
    for (const Element& text : elements(svg, "text")) {
      if (attribute(text.open, "class") == "tick" && attribute(text.open, "text-anchor") == "end")
        ys.push_back(text.content);
    }
    EXPECT_EQ(ys, row.ticks);
    texts_apart(svg, options.width);
  }
}

// gnuplot draws the same chart as PNG, PDF and SVG, at every number of
// designs; its texts are the SVG's. The ranking and the broods too.
TEST(CurveChart, GnuplotDrawsTheChartInEveryFormat) {
  if (!gnuplot_available()) GTEST_SKIP() << "gnuplot is not installed";
  std::vector<Chart> charts;
  for (const int count : {1, 4, 8, 12})
    charts.push_back(curve_chart(made_up_designs(count, count == 8), FigureOptions{}));
  charts.push_back(ranking_chart(made_up_design(25), made_up_ranking(25), 8, FigureOptions{}));
  charts.push_back(broods_chart(made_up_broods(30, 3), FigureOptions{}));
  for (const Chart& chart : charts) {
    const size_t count = chart.texts.size();
    for (const FigureFormat format : {FigureFormat::PNG, FigureFormat::PDF, FigureFormat::SVG}) {
      std::string image;
      const Status drawn = run_gnuplot(chart_gnuplot(chart, format), image);
      ASSERT_TRUE(drawn.ok) << drawn.message;
      EXPECT_TRUE(image_of_format(image, format)) << chart.title << ", " << count << " texts";
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

// Every text reaches gnuplot as a string it reads back unchanged: quotes
// at the start, doubled or alone, every printable byte, line ends.
TEST(GnuplotString, GnuplotReadsEveryTextBackUnchanged) {
  if (!gnuplot_available()) GTEST_SKIP() << "gnuplot is not installed";
  std::string printable;
  for (int c = 0x20; c < 0x7f; ++c) printable += static_cast<char>(c);
  const std::vector<std::string> texts = {"'a",
                                          "a''b",
                                          "'",
                                          "''",
                                          "'''",
                                          "a'",
                                          "x`touch ran` $(touch ran) @m \\ \\n",
                                          "\"double\" and 'single'",
                                          printable,
                                          "",
                                          "caf\xC3\xA9 'x'"};
  std::string script = "set print '-'\n";
  std::string expected;
  for (const std::string& text : texts) {
    script += "print " + gnuplot_string(text) + "\n";
    expected += text + "\n";
  }
  std::string printed;
  Status printing = run_gnuplot(script, printed);
  ASSERT_TRUE(printing.ok) << printing.message;
  EXPECT_EQ(printed, expected);
  // Line ends are kept as line ends.
  printing =
      run_gnuplot("set print '-'\nprint " + gnuplot_string("one\ntwo\r\nthree") + "\n", printed);
  ASSERT_TRUE(printing.ok) << printing.message;
  EXPECT_EQ(printed, "one\ntwo\nthree\n");
}

}  // namespace mpdetect
