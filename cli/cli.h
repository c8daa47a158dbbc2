#pragma once
// The command line as a function from arguments to output and exit code,
// over whatever system services are installed. The console entry only
// wires it to the real system and writes what it returns.
#include <string>
#include <vector>

#include "system/text.h"

namespace kst::cli {

enum ExitCode {
  kDone = 0,
  kUnexpectedError = 1,
  kBadInput = 2,
  kRefused = 3,
  kPowerManagerMissing = 4,
};

struct Outcome {
  int exitCode = kDone;
  // UTF-8 text for standard output and standard error.
  std::string out;
  std::string err;
};

Outcome run(const std::vector<Text>& arguments);

}  // namespace kst::cli
