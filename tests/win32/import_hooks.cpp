#include "tests/win32/import_hooks.h"

#include <windows.h>

#include <cstring>

namespace kst::test {

std::vector<std::string> hookImports(const Hook* hooks, size_t count) {
  std::vector<int> installed(count, 0);
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       directory.VirtualAddress != 0 && module->Name != 0; ++module) {
    if (module->OriginalFirstThunk == 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
    auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* imported = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      for (size_t i = 0; i < count; ++i) {
        if (std::strcmp(reinterpret_cast<const char*>(imported->Name), hooks[i].name) != 0) continue;
        DWORD protection = 0;
        if (!VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, PAGE_READWRITE, &protection)) {
          continue;
        }
        *hooks[i].original = reinterpret_cast<void*>(addresses->u1.Function);
        addresses->u1.Function = reinterpret_cast<ULONG_PTR>(hooks[i].replacement);
        DWORD unused = 0;
        VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, protection, &unused);
        ++installed[i];
      }
    }
  }
  std::vector<std::string> missing;
  for (size_t i = 0; i < count; ++i) {
    if (installed[i] == 0) missing.push_back(hooks[i].name);
  }
  return missing;
}

}  // namespace kst::test
