// Individuals regrouped by a file of their own: a VCF names no population
// samples or broods, and a lab often keeps who belongs where apart from the
// genotypes. The file is CSV (commas, tabs or semicolons): an individual's
// identifier and its group per row, after an optional header
// ("individual,group").
#pragma once

#include <string>

#include "plan/input/population.h"

namespace mpdetect {

// Makes the groups of `text` the samples of `data`, in the order the file
// first names them, each individual placed in its group in the file's
// order, so that a brood's first individual is the first the file lists.
// Individuals the file does not list are left out, and individuals it
// lists that `data` lacks are passed over; a note counts each (named
// `name`). Refuses, naming the line: a row that is not an identifier and a
// group, an individual listed in two groups, an identifier two individuals
// of `data` share, and a file that places no individual of `data`.
Status apply_groups(const std::string& name, const std::string& text, PopulationData& data);

}  // namespace mpdetect
