// How many GDI objects the process holds, for tests that look for leaks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace testgdi {

// GDI objects in use. Where the system does not count them (Wine answers 0), they are what its table of
// 65536 GDI objects has no room for, found by filling it with regions and freeing them again.
inline int64_t GdiObjectsInUse() {
  if (DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return int64_t(counted);
  constexpr int64_t kTable = 65536;
  std::vector<HRGN> regions;
  regions.reserve(kTable);
  while (int64_t(regions.size()) < kTable) {
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    if (!region) break;
    regions.push_back(region);
  }
  for (HRGN region : regions) DeleteObject(region);
  return kTable - int64_t(regions.size());
}

}  // namespace testgdi
