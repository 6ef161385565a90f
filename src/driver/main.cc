// Estimates how likely genotyping a brood reveals multiple paternity, for the
// study in the data file and the brood sizes the user asks about.
#include <ctime>
#include <iostream>

#include "driver/dialogue.h"
#include "simulation/random_source.h"
#include "study/study_reader.h"

int main() {
  seed_random(static_cast<uint32_t>(std::time(nullptr)));
  static StudyData study;
  const LoadStatus loaded = load_study_data(study, data_file_name());
  std::cout << warnings_text(loaded);
  if (!loaded.ok) {
    std::cout << loaded.message << std::flush;
    return 1;
  }
  std::cout << DATA_FILE_READ_IN;
  const int status = run_dialogue(study, std::cin, std::cout);
  std::cout << std::flush;
  return status;
}
