#pragma once
// The command line as a function from arguments to output and exit code,
// over whatever system services are installed. The console entry only
// wires it to the real system and to its standard output and error.
#include <functional>
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

// Where the text goes as it is made: a set or a remove writes each key
// set's line the moment it is done, so that a run ended by Ctrl+C or by a
// deployment tool's time-out still shows what it did.
struct Console {
  std::function<void(const std::string&)> out;
  std::function<void(const std::string&)> err;
};

// Runs the command, writing as it goes; the exit code.
int run(const std::vector<Text>& arguments, const Console& console);
// The same, with all the text collected.
Outcome run(const std::vector<Text>& arguments);

}  // namespace kst::cli
