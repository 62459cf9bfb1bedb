// kz_sampledata <folder>: writes the sample game data folder (see SampleData.h).
#include <cstdio>
#include <string>

#include "SampleData.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: kz_sampledata <data folder>\n");
    return 2;
  }
  std::string error;
  int files = 0;
  if (!kzsample::WriteSampleData(argv[1], error, files)) {
    std::fprintf(stderr, "kz_sampledata: %s\n", error.c_str());
    return 1;
  }
  std::printf("kz_sampledata: %d files written to %s\n", files, argv[1]);
  return 0;
}
