#include "system/file_version.h"

#include <cstdio>
#include <vector>

#include "system/services.h"

namespace kst {

Text getFileVersion(const Text& path) {
  Text result = u"unknown";
  try {
    auto& version = sys::version();
    uint32_t size = version.fileVersionInfoSize(path);
    std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1);
    if (!version.fileVersionInfo(path, buffer)) return result;
    auto translation = version.queryValue(buffer, u"\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4) return result;
    unsigned language = (*translation)[0] | (*translation)[1] << 8;
    unsigned codePage = (*translation)[2] | (*translation)[3] << 8;
    char subBlock[64];
    std::snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%.4x%.4x\\FileVersion", language, codePage);
    auto value = version.queryValue(buffer, fromUtf8(subBlock));
    if (!value) return result;
    result = fromUtf16leUpToNul(value->data(), value->size());
  } catch (...) {
    // Unreadable version information shows as "unknown".
  }
  return result;
}

}  // namespace kst
