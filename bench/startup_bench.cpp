// Start-up and memory of a program under Wine: the time from process start
// until its message loop first waits (after the first showing and its
// status update), and its working set and committed private memory then.
// Prints one line: "NAME MEDIAN_MS WORKING_SET_KIB PRIVATE_KIB".
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

SIZE_T privateBytesOf(HANDLE process) {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (char* address = nullptr; VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
       address = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring program = argv[1];
  std::vector<double> times;
  SIZE_T workingSet = 0, privateBytes = 0;
  for (int run = 0; run < 10; ++run) {
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      return 1;
    }
    WaitForInputIdle(process.hProcess, 30000);
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                    static_cast<double>(frequency.QuadPart));
    Sleep(500);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    workingSet = memory.WorkingSetSize;
    privateBytes = privateBytesOf(process.hProcess);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  std::sort(times.begin(), times.end());
  double median = (times[4] + times[5]) / 2;
  std::printf("%ls %.1f %zu %zu\n", program.substr(program.find_last_of(L"\\/") + 1).c_str(), median,
              static_cast<size_t>(workingSet / 1024), static_cast<size_t>(privateBytes / 1024));
  return 0;
}
