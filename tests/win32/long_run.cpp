// The real windows over a scripted battery: status updates and animation
// steps across every state must leave no icon, bitmap, brush, font, device
// context, window or menu behind, however the program made it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/kst_main.h"
#include "app/entry/program.h"
#include "resources/resource_ids.h"
#include "system/sim/sim_services.h"
#include "tests/win32/live_objects.h"
#include "tests/win32/messages.h"
#include "toolkit/win32/application.h"

namespace kst::test {
namespace {

// Committed private memory, summed over the address space: Wine answers
// GetProcessMemoryInfo's private bytes with 0.
SIZE_T privateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

struct HeapBytes {
  SIZE_T inUse = 0;      // in the blocks allocated from them
  SIZE_T committed = 0;  // in their regions, in use or free
};

HeapBytes heapBytes() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr));
  DWORD count;
  while ((count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data())) > heaps.size()) heaps.resize(count);
  heaps.resize(count);
  HeapBytes bytes;
  for (HANDLE heap : heaps) {
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if ((entry.wFlags & PROCESS_HEAP_REGION) != 0) bytes.committed += entry.Region.dwCommittedSize;
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) bytes.inUse += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return bytes;
}

struct Counts {
  LiveObjects objects;
  // As Windows counts them (Wine answers 0).
  DWORD gdiResources, userResources;
  // The heaps commit and give back pages in steps of 64 KiB as their free
  // blocks move, several steps either way from one count to the next; at the
  // same point of the battery's script the blocks in use are the same to the
  // byte, and so is the memory outside the heaps.
  SIZE_T heapBytesInUse, privateBytesOutsideHeaps;
};

Counts countNow() {
  HANDLE self = GetCurrentProcess();
  HeapBytes heaps = heapBytes();
  return {LiveObjects::now(), GetGuiResources(self, GR_GDIOBJECTS), GetGuiResources(self, GR_USEROBJECTS), heaps.inUse,
          privateBytes() - heaps.committed};
}

// The battery changes every eighth update, as it would now and then while the
// status timer ticks every second; in 280 updates it goes through every state
// at every charge level.
constexpr int kUpdatesPerChange = 8;

void setBattery(sys::sim::SimPower& power, int step) {
  static const int kPercents[] = {5, 15, 16, 50, 66, 67, 100};
  int change = step / kUpdatesPerChange;
  int percent = kPercents[change % 7];
  switch (change % 5) {
    case 0: power.setCharging(percent); break;
    case 1: power.setOnAC(percent); break;
    case 2: power.setDischarging(percent, static_cast<uint32_t>(change % 36000)); break;
    case 3: power.setDischarging(percent, 0xFFFFFFFF); break;
    default: power.setNoBattery(); break;
  }
}

// Both counts are taken at the same point of the battery's script, after
// the first hundred-odd updates and after at least 100,000 in all.
// KST_LONG_RUN_CYCLES shortens the run for a quick look.
constexpr int kCycle = 35 * kUpdatesPerChange;
constexpr int kWarmUp = kCycle;

int measuredSteps() {
  const char* cycles = std::getenv("KST_LONG_RUN_CYCLES");
  int count = cycles != nullptr ? std::atoi(cycles) : (100000 - kWarmUp + kCycle - 1) / kCycle;
  return count * kCycle;
}

TEST(LongRun, HundredThousandStatusUpdatesLeaveNoHandleBehind) {
  LiveObjects::start();
  ASSERT_EQ(LiveObjects::unhooked(), std::vector<std::string>{}) << "every function that makes or frees is counted";
  sys::sim::SimSystem sim;
  store::writeKeySet({store::kUser, store::kUserDataKey}, {80, 40, false, true}, 0);
  tk::win32::Win32Application app(GetModuleHandleW(nullptr), KST_MAIN_ICON);
  app.setTitle(productName);
  Program program(app);
  Tkst_mainform& main = program.mainform();
  main.show();
  pumpMessages();

  auto run = [&](int from, int to) {
    for (int step = from; step < to; ++step) {
      setBattery(sim.power, step);
      main.updateBatteryStatus();
      // While it runs, the animation steps every 1500 ms: twice in three updates.
      if (main.TrayIcon.animate() && step % 3 != 0) main.TrayIcon.animationStep();
      if (step % 200 == 0) {
        pumpMessages();
        sim.registry.forgetCalls();
      }
    }
    pumpMessages();
    sim.registry.forgetCalls();
  };
  run(0, kWarmUp);
  Counts before = countNow();
  run(kWarmUp, kWarmUp + measuredSteps());
  Counts after = countNow();
  EXPECT_EQ(after.objects.gdiObjects, before.objects.gdiObjects);
  EXPECT_EQ(after.objects.deviceContexts, before.objects.deviceContexts);
  EXPECT_EQ(after.objects.icons, before.objects.icons);
  EXPECT_EQ(after.objects.windows, before.objects.windows);
  EXPECT_EQ(after.objects.menus, before.objects.menus);
  EXPECT_EQ(after.gdiResources, before.gdiResources) << "as Windows counts them";
  EXPECT_EQ(after.userResources, before.userResources);
  EXPECT_GT(before.objects.gdiObjects, 0) << "the count counts: the fonts live";
  EXPECT_GT(before.objects.windows, 0) << "and the windows";
  // A leak of one byte in 25 updates shows in the heaps.
  EXPECT_LE(after.heapBytesInUse, before.heapBytesInUse + 4 * 1024)
      << "bytes in use in the heaps " << before.heapBytesInUse << " -> " << after.heapBytesInUse;
  EXPECT_LE(after.privateBytesOutsideHeaps, before.privateBytesOutsideHeaps + 128 * 1024)
      << "private bytes outside the heaps " << before.privateBytesOutsideHeaps << " -> "
      << after.privateBytesOutsideHeaps;
  std::printf(
      "long run: %d updates, bytes in use in the heaps %zu -> %zu, private bytes outside them %zu -> %zu, "
      "GDI objects made %d -> %d, icons %d -> %d, windows %d -> %d, "
      "GDI %lu -> %lu and USER %lu -> %lu as Windows counts them\n",
      kWarmUp + measuredSteps(), static_cast<size_t>(before.heapBytesInUse), static_cast<size_t>(after.heapBytesInUse),
      static_cast<size_t>(before.privateBytesOutsideHeaps), static_cast<size_t>(after.privateBytesOutsideHeaps),
      before.objects.gdiObjects, after.objects.gdiObjects, before.objects.icons, after.objects.icons,
      before.objects.windows, after.objects.windows, before.gdiResources, after.gdiResources, before.userResources,
      after.userResources);
}

}  // namespace
}  // namespace kst::test
