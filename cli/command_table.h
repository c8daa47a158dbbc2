#pragma once
// The commands of the command line, one row each: what its arguments may
// be, what --help says of it, what runs it, and whether it reaches the
// user's keys. The argument parser, the usage, --help, the dispatch and the
// LocalSystem note all read this one table.
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli.h"

namespace kst::cli {

struct CommandRow {
  std::string name;
  // The options it takes besides --json and --help.
  std::vector<std::string> options;
  // What it reads after it, such as "FILE", or nothing.
  std::string argument;
  // Its line in the usage, and what COMMAND --help says.
  std::string summary;
  std::string help;
  Outcome (*run)(const Invocation& call, const Console& console);
  // It reads or writes keys under HKCU, which as LocalSystem are no user's
  // and with --user lie in another user's hive.
  bool readsUsersKeys;
};

const std::vector<CommandRow>& commandTable();
// The row of the command of that name, or nothing.
const CommandRow* findCommand(const std::string& name);

}  // namespace kst::cli
