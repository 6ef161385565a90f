// Draws the power curve as a PNG image with gnuplot.
#pragma once

#include <string>

#include "driver/power_curve.h"
#include "study/study_data.h"

// True when gnuplot can be run.
bool gnuplot_available();

// What to type to get gnuplot, for the message when it is missing.
const char* gnuplot_install_hint();

// Draws probability against brood size with the target as a dashed line,
// titled with the numbers of loci and sires, as a PNG image of
// options.width by options.height pixels, into `image`. gnuplot runs as a
// child process fed through pipes, so it writes no file of its own; while it
// runs it is the child that set_running_child names. Returns false with
// `error` set when gnuplot fails.
bool draw_curve(const StudyData& study, const CurvePoint* points, int count,
                const PowerCurveOptions& options, std::string& image, std::string& error);
