// viewer_timing.exe FILE [RUNS] [keys]: how long the viewer takes, from the ShowImage call, to paint the first
// decoded rows of FILE and to paint the whole image (not a test: it asserts nothing; run it by hand, or
// through viewer-timing.sh, which makes 4000 x 3000 baseline and progressive JPEG files first).
//
// ShowImage runs on this thread as the launcher would call it. A CBT hook on the thread subclasses the
// view as it is created, so that every slice (WM_USER) and every paint of the real module is seen without
// changing the module: "first rows" is the end of the first paint from the first slice on (the paint a
// slice makes before it returns included), "whole" the end of the last paint. Once no slice has come for half a second
// the frame is closed.
//
// "decode alone" is the same file decoded whole by ImageFile in this process, with no window. With "keys",
// "key answered" is how long a key pressed while the image comes in waits before the viewer's thread
// takes it (each press ends a slice early, so the times of such runs are not the plain ones): a second
// thread presses F13 (which the viewer ignores) through the system's input every 10 ms
// from the first slice to the last, and a keyboard hook on the viewer's thread notes when each press is
// taken from the queue.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "image/ImageFile.h"

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
HHOOK keyHook = nullptr;

// Key presses: the time of the one not yet taken, and for each taken when it was made and how long it
// waited until the viewer's thread took it.
std::atomic<double> keyPressedAt{-1};
std::atomic<bool> pressing{false};
struct KeyPress {
  double at, wait;
};
std::vector<KeyPress> keyPresses;

LRESULT CALLBACK OnKey(int code, WPARAM wParam, LPARAM lParam) {
  const bool down = (lParam & (1u << 31)) == 0;
  if (code == HC_ACTION && wParam == VK_F13 && down) {
    double pressed = keyPressedAt.exchange(-1);
    if (pressed >= 0) keyPresses.push_back({pressed, Now() - pressed});
  }
  return CallNextHookEx(keyHook, code, wParam, lParam);
}

DWORD WINAPI PressKeys(void*) {
  while (pressing) {
    if (current.sliceSeen && keyPressedAt.load() < 0) {
      keyPressedAt = Now();
      keybd_event(VK_F13, 0, 0, 0);
      keybd_event(VK_F13, 0, KEYEVENTF_KEYUP, 0);
    }
    Sleep(10);
  }
  return 0;
}

LRESULT CALLBACK WatchedView(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kQuietTimer) {
    KillTimer(window, kQuietTimer);
    PostMessageA(GetParent(window), WM_CLOSE, 0, 0);
    return 0;
  }
  if (message == WM_USER) {
    if (current.slices == 0) SetForegroundWindow(GetParent(window));
    current.sliceSeen = true;
  }
  LRESULT result = CallWindowProcA(viewProc, window, message, wParam, lParam);
  const double t = Now();
  if (message == WM_USER) {
    ++current.slices;
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
      viewProc =
          reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedView)));
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
    std::fprintf(stderr, "usage: viewer_timing FILE [RUNS] [keys]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const bool pressKeys = argc > 3 && std::string(argv[3]) == "keys";
  HMODULE module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
  auto showImage =
      module ? reinterpret_cast<ShowImageFn>(reinterpret_cast<void*>(GetProcAddress(module, "ShowImage"))) : nullptr;
  if (!showImage) {
    std::fprintf(stderr, "viewer_timing: lumetta32.dll or its ShowImage export not found\n");
    return 1;
  }
  std::vector<double> alone;
  for (int i = 0; i < runs; ++i) {
    lumetta::ImageFile image(argv[1]);
    const double start = Now();
    lumetta::DecodeRequest request;
    request.ditherMode = 4;  // as the viewer asks
    if (!image.Decode(request)) {
      std::fprintf(stderr, "viewer_timing: %s does not decode (error %d)\n", argv[1], image.GetLastError());
      return 1;
    }
    alone.push_back(Now() - start);
  }
  std::printf("decode alone %.0f ms (median of %d)\n", Median(alone), runs);

  std::vector<double> firstRows, whole, keys;
  for (int i = 0; i < runs; ++i) {
    current = Run{};
    viewProc = nullptr;
    hook = SetWindowsHookExA(WH_CBT, &OnCbt, nullptr, GetCurrentThreadId());
    keyHook = SetWindowsHookExA(WH_KEYBOARD, &OnKey, nullptr, GetCurrentThreadId());
    keyPresses.clear();
    keyPressedAt = -1;
    pressing = true;
    HANDLE presser = pressKeys ? CreateThread(nullptr, 0, &PressKeys, nullptr, 0, nullptr) : nullptr;
    std::string path = argv[1];
    current.start = Now();
    showImage(nullptr, nullptr, path.data(), SW_SHOWNORMAL);
    pressing = false;
    if (presser) WaitForSingleObject(presser, INFINITE), CloseHandle(presser);
    UnhookWindowsHookEx(keyHook);
    UnhookWindowsHookEx(hook);
    if (!viewProc || current.firstRows < 0) {
      std::fprintf(stderr, "viewer_timing: the viewer showed nothing of %s\n", argv[1]);
      return 1;
    }
    std::printf("run %d: first rows %.0f ms, whole image %.0f ms, %d slices", i + 1, current.firstRows, current.whole,
                current.slices);
    // Only the presses made while the image came in: up to the last paint.
    std::vector<double> keyWaits;
    for (const KeyPress& press : keyPresses)
      if (press.at - current.start <= current.whole) keyWaits.push_back(press.wait);
    if (!keyWaits.empty())
      std::printf(", key answered in %.0f ms at most (%zu presses)",
                  *std::max_element(keyWaits.begin(), keyWaits.end()), keyWaits.size());
    std::printf("\n");
    firstRows.push_back(current.firstRows);
    whole.push_back(current.whole);
    keys.insert(keys.end(), keyWaits.begin(), keyWaits.end());
  }
  std::printf("median of %d: first rows %.0f ms, whole image %.0f ms, decode alone %.0f ms\n", runs, Median(firstRows),
              Median(whole), Median(alone));
  if (pressKeys && !keys.empty())
    std::printf("key answered while decoding: median %.0f ms, worst %.0f ms (%zu presses)\n", Median(keys),
                *std::max_element(keys.begin(), keys.end()), keys.size());
  else if (pressKeys)
    std::printf("key answered while decoding: no press reached the viewer\n");
  FreeLibrary(module);
  return 0;
}
