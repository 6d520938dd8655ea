// viewer_timing.exe FILE [RUNS]: how long the viewer takes, from the ShowImage call, to paint the first
// decoded rows of FILE and to paint the whole image (not a test: it asserts nothing; run it by hand, or
// through viewer-timing.sh, which makes 4000 x 3000 baseline and progressive JPEG files first).
//
// ShowImage runs on this thread as the launcher would call it. A CBT hook on the thread subclasses the
// view as it is created, so that every slice (WM_USER) and every paint of the real module is seen without
// changing the module: "first rows" is the end of the first paint after the first slice, "whole" the end
// of the last paint after the last slice. Once no slice has come for half a second the frame is closed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using ShowImageFn = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);

constexpr UINT_PTR kQuietTimer = 0x7106;
constexpr UINT kQuietMs = 500;

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

struct Run {
  double start = 0;
  double firstRows = -1;  // end of the first paint that showed decoded rows
  double whole = -1;      // end of the last paint after the last slice
  int slices = 0;
  bool sliceSeen = false;
};

Run current;
WNDPROC viewProc = nullptr;
HHOOK hook = nullptr;

LRESULT CALLBACK WatchedView(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kQuietTimer) {
    KillTimer(window, kQuietTimer);
    PostMessageA(GetParent(window), WM_CLOSE, 0, 0);
    return 0;
  }
  LRESULT result = CallWindowProcA(viewProc, window, message, wParam, lParam);
  const double t = Now();
  if (message == WM_USER) {
    ++current.slices;
    current.sliceSeen = true;
    SetTimer(window, kQuietTimer, kQuietMs, nullptr);
  } else if (message == WM_PAINT && current.sliceSeen) {
    if (current.firstRows < 0) current.firstRows = t - current.start;
    current.whole = t - current.start;
  }
  return result;
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    auto window = reinterpret_cast<HWND>(wParam);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "ImageViewWndClass")
      viewProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedView)));
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::string BinFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  s.resize(s.find_last_of('\\'));
  s.resize(s.find_last_of('\\') + 1);
  return s + "bin\\";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: viewer_timing FILE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  HMODULE module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
  auto showImage = module ? reinterpret_cast<ShowImageFn>(reinterpret_cast<void*>(GetProcAddress(module, "ShowImage")))
                          : nullptr;
  if (!showImage) {
    std::fprintf(stderr, "viewer_timing: lumetta32.dll or its ShowImage export not found\n");
    return 1;
  }
  std::vector<double> firstRows, whole;
  for (int i = 0; i < runs; ++i) {
    current = Run{};
    viewProc = nullptr;
    hook = SetWindowsHookExA(WH_CBT, &OnCbt, nullptr, GetCurrentThreadId());
    std::string path = argv[1];
    current.start = Now();
    showImage(nullptr, nullptr, path.data(), SW_SHOWNORMAL);
    UnhookWindowsHookEx(hook);
    if (!viewProc || current.firstRows < 0) {
      std::fprintf(stderr, "viewer_timing: the viewer showed nothing of %s\n", argv[1]);
      return 1;
    }
    std::printf("run %d: first rows %.0f ms, whole image %.0f ms, %d slices\n", i + 1, current.firstRows,
                current.whole, current.slices);
    firstRows.push_back(current.firstRows);
    whole.push_back(current.whole);
  }
  std::printf("median of %d: first rows %.0f ms, whole image %.0f ms\n", runs, Median(firstRows), Median(whole));
  FreeLibrary(module);
  return 0;
}
