#include "driver/curve_plot.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "driver/output_file.h"

bool gnuplot_available() {
  return std::system("command -v gnuplot > /dev/null 2>&1") == 0;
}

const char* gnuplot_install_hint() {
  return "gnuplot is not installed; install it with 'sudo apt-get install gnuplot-nox' "
         "(the table needs no gnuplot: leave out --plot)";
}

bool draw_curve(const StudyData& study, const CurvePoint* points, int count,
                const PowerCurveOptions& options, std::string& error) {
  // gnuplot works in a folder of its own and never sees the user's file
  // names; the image is copied beside its final name and renamed there.
  char folder[] = "/tmp/power-curve-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    error = "cannot make a temporary folder for gnuplot";
    return false;
  }
  const std::filesystem::path work(folder);
  {
    std::ofstream data(work / "curve.dat");
    for (int n = 0; n < count; ++n)
      data << points[n].brood_size << " " << printed_probability(points[n].detections) << "\n";
    std::ofstream script(work / "curve.gp");
    script << "set terminal pngcairo size " << options.width << "," << options.height << "\n"
           << "set output 'curve.png'\n"
           << "set title 'Detection of multiple paternity: " << study.locus_count
           << (study.locus_count == 1 ? " locus, " : " loci, ") << study.sire_count
           << (study.sire_count == 1 ? " sire'" : " sires'") << "\n"
           << "set xlabel 'Brood size (offspring genotyped)'\n"
           << "set ylabel 'Probability of detection'\n"
           << "set yrange [0:1.02]\n"
           << "set xrange [" << (points[0].brood_size > 1 ? points[0].brood_size - 1 : 0) << ":"
           << points[count - 1].brood_size + 1 << "]\n"
           << "set grid\n"
           << "set key bottom right\n"
           << "plot 'curve.dat' using 1:2 with linespoints pointtype 7 pointsize 0.6 title "
              "'estimate', \\\n"
           << "     " << options.target << " with lines dashtype 2 linewidth 2 title 'target "
           << options.target << "'\n";
  }
  const std::string command = "cd '" + work.string() + "' && gnuplot curve.gp > gnuplot.log 2>&1";
  const bool drawn =
      std::system(command.c_str()) == 0 && std::filesystem::exists(work / "curve.png");
  bool ok = false;
  if (!drawn) {
    std::ifstream log(work / "gnuplot.log");
    std::string first_line;
    std::getline(log, first_line);
    error = "gnuplot could not draw the curve" +
            (first_line.empty() ? std::string() : ": " + first_line);
  } else {
    const PendingFile file = pending_file(options.plot);
    std::error_code failed;
    std::filesystem::copy_file(work / "curve.png", file.partial_path,
                               std::filesystem::copy_options::overwrite_existing, failed);
    if (failed) {
      error = "cannot write " + options.plot + ": " + failed.message();
      discard_file(file);
    } else {
      ok = commit_file(file, error);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(work, ignored);
  return ok;
}
