// Start-up, memory and exit of programs under Wine, measured so that each
// start pays only for itself:
//   --gui NAME PATH        a windowed program: from CreateProcess until its
//                          message loop first waits (WaitForInputIdle), its
//                          working set and committed private memory half a
//                          second later, then WM_CLOSE to its windows and the
//                          time until it has ended
//   --console NAME LINE    a console program: from CreateProcess until it ends
//   --starts N             starts per program (12 by default)
// Every program starts once unmeasured first; then they take turns, in one
// order and then the reverse (A B C C B A ...), so that a drift of the
// machine falls on all of them alike. After each start the shell's tray
// window and the desktop answer a message, so that the shell has finished
// with the old instance before the next one starts. A program that does not
// end within 15 s of WM_CLOSE is ended by force and counted as a failure.
//
// Prints one line per program and measure:
//   NAME MEASURE MEDIAN FIRST_QUARTILE THIRD_QUARTILE
// with MEASURE start_ms, exit_ms, run_ms, working_set_kib, private_kib or
// failures (the last with the count three times).
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Program {
  std::wstring name;
  std::wstring commandLine;
  bool console;
  std::map<std::string, std::vector<double>> samples;
  int failures = 0;
};

double now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Committed private memory, summed over the address space: Wine answers
// the private bytes of GetProcessMemoryInfo with 0.
SIZE_T privateBytesOf(HANDLE process) {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (char* address = nullptr; VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
       address = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

BOOL CALLBACK closeWindowOf(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// The shell has finished with an ended program once it answers.
void waitForTheShell() {
  for (HWND window : {FindWindowW(L"Shell_TrayWnd", nullptr), GetDesktopWindow()}) {
    if (window != nullptr) SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, nullptr);
  }
}

bool launch(Program& program, PROCESS_INFORMATION& process) {
  std::wstring line = program.commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  DWORD flags = 0;
  if (program.console) {
    // Its output goes nowhere: the console's drawing is not the program's time.
    startup.dwFlags = STARTF_USESTDHANDLES;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = startup.hStdError = nul;
    startup.hStdInput = nullptr;
    flags = CREATE_NO_WINDOW;
    BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &process);
    CloseHandle(nul);
    return started != FALSE;
  }
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process) !=
         FALSE;
}

// Waits up to 15 s for the program to end; one that does not is ended by
// force and counted as a failure.
bool endedInTime(HANDLE process, Program& program) {
  if (WaitForSingleObject(process, 15000) == WAIT_OBJECT_0) return true;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  ++program.failures;
  return false;
}

void runOnce(Program& program, bool measured) {
  PROCESS_INFORMATION process{};
  double begin = now();
  if (!launch(program, process)) {
    ++program.failures;
    return;
  }
  if (program.console) {
    bool ended = endedInTime(process.hProcess, program);
    if (ended && measured) program.samples["run_ms"].push_back(now() - begin);
  } else {
    WaitForInputIdle(process.hProcess, 30000);
    double idle = now();
    Sleep(500);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    SIZE_T privateBytes = privateBytesOf(process.hProcess);
    double closing = now();
    EnumWindows(closeWindowOf, static_cast<LPARAM>(process.dwProcessId));
    bool ended = endedInTime(process.hProcess, program);
    double end = now();
    if (ended && measured) {
      program.samples["start_ms"].push_back(idle - begin);
      program.samples["exit_ms"].push_back(end - closing);
      program.samples["working_set_kib"].push_back(static_cast<double>(memory.WorkingSetSize / 1024));
      program.samples["private_kib"].push_back(static_cast<double>(privateBytes / 1024));
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  waitForTheShell();
}

// The value below which the given share of the samples lie, interpolated.
double quantile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  double position = share * static_cast<double>(values.size() - 1);
  size_t below = static_cast<size_t>(position);
  size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (values[above] - values[below]) * (position - static_cast<double>(below));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<Program> programs;
  int starts = 12;
  for (int i = 1; i < argc; ++i) {
    std::wstring option = argv[i];
    if (option == L"--starts" && i + 1 < argc) {
      starts = _wtoi(argv[++i]);
    } else if ((option == L"--gui" || option == L"--console") && i + 2 < argc) {
      std::wstring name = argv[i + 1];
      std::wstring line = option == L"--gui" ? L"\"" + std::wstring(argv[i + 2]) + L"\"" : argv[i + 2];
      programs.push_back({name, line, option == L"--console", {}, 0});
      i += 2;
    } else {
      std::fwprintf(stderr, L"startup_bench: unknown argument %ls\n", argv[i]);
      return 2;
    }
  }
  if (programs.empty() || starts < 1) return 2;
  for (Program& program : programs) runOnce(program, false);
  for (int round = 0; round < starts; ++round) {
    if (round % 2 == 0) {
      for (Program& program : programs) runOnce(program, true);
    } else {
      for (auto program = programs.rbegin(); program != programs.rend(); ++program) runOnce(*program, true);
    }
  }
  for (const Program& program : programs) {
    for (const auto& [measure, values] : program.samples) {
      std::printf("%ls %s %.1f %.1f %.1f\n", program.name.c_str(), measure.c_str(), quantile(values, 0.5),
                  quantile(values, 0.25), quantile(values, 0.75));
    }
    std::printf("%ls failures %d %d %d\n", program.name.c_str(), program.failures, program.failures, program.failures);
  }
  return 0;
}
