#pragma once
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "system/text.h"

namespace kst::cli {

// One call of the command line, as its arguments ask for it.
struct Invocation {
  std::string command;
  bool json = false;
  bool help = false;
  bool version = false;
  bool force = false;
  bool dryRun = false;
  std::optional<Text> battery;
  // The account whose keys the command reaches instead of HKCU's, by name
  // or SID, as given.
  std::optional<Text> user;
  // The file a command reads, given after it.
  std::optional<Text> file;
  std::optional<Text> output;
  // Every --high and --low as given: a percentage, "on" or "off".
  std::vector<Text> high;
  std::vector<Text> low;
};

// The invocation, or the message that says what is wrong with the arguments.
std::variant<Invocation, std::string> parseArguments(const std::vector<Text>& arguments);

}  // namespace kst::cli
