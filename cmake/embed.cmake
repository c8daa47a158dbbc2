# Turns a file into a C++ source that returns its bytes, so that the program
# carries the picture itself on every platform.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "#include <cstdint>\n#include <vector>\nnamespace kst::resources {\n"
  "const std::vector<uint8_t>& ${FUNCTION}() {\n  static const std::vector<uint8_t> bytes = {${bytes}};\n"
  "  return bytes;\n}\n}  // namespace kst::resources\n")
