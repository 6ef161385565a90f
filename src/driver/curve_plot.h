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
// titled with the numbers of loci and sires, into the PNG file
// options.plot, of options.width by options.height pixels. The file appears
// only when the drawing succeeded. Returns false with `error` set otherwise.
bool draw_curve(const StudyData& study, const CurvePoint* points, int count,
                const PowerCurveOptions& options, std::string& error);
