// Running gnuplot for the front ends' figures: a child process fed its
// script through a pipe, its image read back from another, so that it
// writes no file of its own and leaves nothing behind when interrupted.
#pragma once

#include <string>

#include "base/status.h"

namespace mpdetect {

// True when gnuplot can be run.
bool gnuplot_available();

// What to type to get gnuplot, for the message when it is missing.
const char* gnuplot_install_hint();

// Runs gnuplot on `script`, which writes its image to standard output.
// While it runs it is the child that set_running_child (output_file.h)
// names. Refuses, saying why, when gnuplot fails or draws nothing.
Status run_gnuplot(const std::string& script, std::string& image);

}  // namespace mpdetect
