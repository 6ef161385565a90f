// Estimates how likely genotyping a brood reveals multiple paternity, for the
// study in the data file and the brood sizes the user asks about.
#include <ctime>
#include <iostream>

#include "driver/dialogue.h"
#include "frontend/standard_streams.h"
#include "simulation/random_source.h"
#include "study/study_reader.h"

// The entry point stands outside the project's namespace.
using namespace mpdetect;

// The dialogue's status stands unless the output was lost: then the user
// is told on standard error, and the status is 1 whatever the answers were.
static int checked(int status) {
  if (flushed(std::cout)) return status;
  std::cerr << "mpdetect: cannot write to standard output\n" << std::flush;
  return 1;
}

int main() {
  guard_standard_streams();
  seed_random(static_cast<uint32_t>(std::time(nullptr)));
  static StudyData study;
  const LoadStatus loaded = load_study_data(study, data_file_name());
  std::cout << warnings_text(loaded);
  if (!loaded.ok) {
    std::cout << loaded.message << "\n";
    return checked(1);
  }
  std::cout << DATA_FILE_READ_IN;
  return checked(run_dialogue(study, std::cin, std::cout));
}
