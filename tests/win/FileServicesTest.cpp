// The extension's file services against the real registry, files and wallpaper call: the wallpaper set,
// set again and restored, a cancelled set, conversion beside the source, and descriptions read from
// "descript.ion". Message boxes are recorded instead of shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "BmpBuilder.h"
#include "BuildFolders.h"
#include "shell/FileServices.h"
#include "shell/ProgressDialog.h"
#include "TempFiles_win.h"

namespace {

std::vector<std::string> messages;

int RecordMessage(HWND, const char* text, const char* caption, UINT) {
  messages.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

using testfiles::TempFolder;

void WriteBytes(const std::string& path, const std::string& bytes) { testfiles::WriteWholeFile(path, bytes); }

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

std::string Bmp(int width, int height, uint32_t tint) {
  testimages::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixel = [tint](int x, int y) { return (uint32_t(x) * 0x000301u + uint32_t(y) * 0x010100u) ^ tint; };
  std::vector<uint8_t> bytes = testimages::BuildBmp(layout);
  return std::string(bytes.begin(), bytes.end());
}

const char kDesktop[] = "Control Panel\\desktop";

std::string Value(const char* name) {
  char value[MAX_PATH] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kDesktop, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return "(missing)";
  return value;
}

void SetValue(const char* name, const char* value) {
  HKEY key;
  RegCreateKeyA(HKEY_CURRENT_USER, kDesktop, &key);
  if (value)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1));
  else
    RegDeleteValueA(key, name);
  RegCloseKey(key);
}

std::string Registry() {
  return Value("Wallpaper") + "|" + Value("TileWallpaper") + "|" + Value("PrevWallpaper") + "|" +
         Value("PrevTileWallpaper");
}

class FileServices : public testing::Test {
protected:
  void SetUp() override {
    messages.clear();
    SetFileServicesMessageBox(&RecordMessage);
    // The progress dialog's template comes from the built module, as in the extension.
    module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
    ASSERT_NE(module, nullptr);
  }
  void TearDown() override {
    SetFileServicesMessageBox(nullptr);
    if (module) FreeLibrary(module);
  }
  HMODULE module = nullptr;
};

}  // namespace

TEST_F(FileServices, WallpaperSetTwiceThenRestoredReturnsToTheUsersOwn) {
  std::string folder = TempFolder("lumetta-wallpaper-test");
  WriteBytes(folder + "first.bmp", Bmp(64, 40, 0));
  WriteBytes(folder + "second.bmp", Bmp(30, 20, 0xFF0000));
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string ours = std::string(windows) + "\\Orvane Wallpaper.bmp";

  SetValue("Wallpaper", "C:\\users\\own.bmp");
  SetValue("TileWallpaper", "0");
  SetValue("PrevWallpaper", nullptr);
  SetValue("PrevTileWallpaper", nullptr);
  ASSERT_TRUE(SetWallpaper(module, nullptr, "Lumetta32", (folder + "first.bmp").c_str(), true));
  EXPECT_EQ(Registry(), ours + "|1|C:\\users\\own.bmp|0");
  std::string file = ReadBytes(ours);
  ASSERT_GT(file.size(), 54u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(file.data() + 18), 64) << "smaller than the screen: kept";

  ASSERT_TRUE(SetWallpaper(module, nullptr, "Lumetta32", (folder + "second.bmp").c_str(), false));
  EXPECT_EQ(Registry(), ours + "|0|C:\\users\\own.bmp|0") << "the second set keeps the first's previous values";
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(ReadBytes(ours).data() + 18), 30);

  ASSERT_TRUE(SetWallpaper(module, nullptr, "Lumetta32", nullptr, true));
  EXPECT_EQ(Value("Wallpaper") + "|" + Value("TileWallpaper"), "C:\\users\\own.bmp|0");

  SetValue("PrevWallpaper", nullptr);
  SetValue("PrevTileWallpaper", nullptr);
  ASSERT_TRUE(SetWallpaper(module, nullptr, "Lumetta32", nullptr, false));
  EXPECT_EQ(Value("Wallpaper") + "|" + Value("TileWallpaper"), "(none)|0") << "nothing to restore: no wallpaper";
  EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(FileServices, AFailedOrCancelledWallpaperChangesNothing) {
  std::string folder = TempFolder("lumetta-wallpaper-test");
  WriteBytes(folder + "broken.bmp", "BM this is no bitmap");
  WriteBytes(folder + "large.bmp", Bmp(2400, 1800, 0x00FF00));
  SetValue("Wallpaper", "C:\\users\\own.bmp");
  SetValue("TileWallpaper", "1");
  SetValue("PrevWallpaper", "C:\\older.bmp");
  const std::string before = Registry();

  EXPECT_FALSE(SetWallpaper(module, nullptr, "Lumetta32", (folder + "broken.bmp").c_str(), true));
  EXPECT_EQ(messages, std::vector<std::string>{"Lumetta32: Could not read image."});
  EXPECT_EQ(Registry(), before);

  // The user presses Cancel as soon as the progress dialog exists.
  messages.clear();
  std::atomic<bool> done{false};
  std::thread user([&] {
    HWND dialog = nullptr;
    while (!done && !(dialog = ProgressDialog::Handle())) Sleep(1);
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  bool set = SetWallpaper(module, nullptr, "Lumetta32", (folder + "large.bmp").c_str(), true);
  done = true;
  user.join();
  EXPECT_FALSE(set);
  EXPECT_TRUE(messages.empty()) << "a cancellation is not reported as a failure";
  EXPECT_EQ(Registry(), before);
  EXPECT_EQ(ProgressDialog::Handle(), nullptr);
}

TEST_F(FileServices, ConversionWritesBesideTheSourceUnderTheNextFreeName) {
  std::string folder = TempFolder("lumetta-convert-test");
  for (const char* name : {"a.jpg", "a_2.jpg", "a_2.bmp", "a_9.bmp", "a_10.bmp", "bad.bmp", "bad.jpg"})
    DeleteFileA((folder + name).c_str());
  const std::string source = Bmp(33, 21, 0x123456);
  WriteBytes(folder + "a.bmp", source);
  WriteBytes(folder + "a_9.bmp", source);
  WriteBytes(folder + "bad.bmp", "BM broken");

  EXPECT_TRUE(ConvertImage(nullptr, (folder + "a.bmp").c_str(), 0));
  EXPECT_TRUE(ConvertImage(nullptr, (folder + "a.bmp").c_str(), 0));
  EXPECT_TRUE(ConvertImage(nullptr, (folder + "a.bmp").c_str(), 2));
  EXPECT_TRUE(ConvertImage(nullptr, (folder + "a_9.bmp").c_str(), 2));
  EXPECT_EQ(ReadBytes(folder + "a.jpg").substr(0, 3), "\xFF\xD8\xFF");
  EXPECT_EQ(ReadBytes(folder + "a_2.jpg").substr(0, 3), "\xFF\xD8\xFF");
  EXPECT_EQ(ReadBytes(folder + "a.bmp"), source) << "the source is never replaced";
  EXPECT_EQ(ReadBytes(folder + "a_2.bmp").size(), 54 + 21 * 100u);
  EXPECT_EQ(ReadBytes(folder + "a_10.bmp").size(), 54 + 21 * 100u);
  // A picture in a folder and under a name with accents.
  const std::string fotos = folder + "Fotos de S\xE3o Jo\xE3o\\";
  CreateDirectoryA(fotos.c_str(), nullptr);
  DeleteFileA((fotos + "promo\xE7\xE3o.jpg").c_str());
  WriteBytes(fotos + "promo\xE7\xE3o.bmp", source);
  EXPECT_TRUE(ConvertImage(nullptr, (fotos + "promo\xE7\xE3o.bmp").c_str(), 0));
  EXPECT_EQ(ReadBytes(fotos + "promo\xE7\xE3o.jpg").substr(0, 3), "\xFF\xD8\xFF");
  // The name the file system keeps is the Unicode one, not the ANSI bytes read another way.
  wchar_t pattern[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, (fotos + "promo*.jpg").c_str(), -1, pattern, MAX_PATH);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(pattern, &found);
  EXPECT_NE(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  EXPECT_STREQ(found.cFileName, L"promo\u00E7\u00E3o.jpg");
  EXPECT_TRUE(messages.empty());

  EXPECT_FALSE(ConvertImage(nullptr, (folder + "bad.bmp").c_str(), 0));
  EXPECT_EQ(messages, std::vector<std::string>{"Conversion Failed: Could not load source image!"});
  EXPECT_EQ(GetFileAttributesA((folder + "bad.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileServices, DescriptionsMatchPlainAndQuotedNamesAndEndAtCode4) {
  // In a folder named with accents; the file is OEM text (code page 850 under Brazil's settings).
  std::string folder = TempFolder("lumetta-descript-test") + "Fotos de S\xE3o Jo\xE3o\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  WriteBytes(folder + "descript.ion",
             "plain.bmp   A plain one\r\n"
             "promo\x87\xC6o.jpg Festa junina\r\n"
             "\"with space.gif\" Quoted name\x04\xC2\x12other program's data\r\n"
             "\r\n"
             "oem.pcx Caf\x82 au lait\r\n" +
                 std::string("n\0ul.bmp a NUL does not end the name\r\n", 38) + "last.tga no line end");
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"PLAIN.BMP", "A plain one"},
      {"with space.gif", "Quoted name"},
      {"oem.pcx", "Caf\xE9 au lait"},  // OEM 0x82 is e acute
      {"PROMO\xC7\xC3O.JPG", "Festa junina"},
      {"last.tga", "no line end"},
      {"with", nullptr},
      {"n", nullptr},
      {"other.bmp", nullptr},
  };
  for (const Case& c : cases) {
    char* description = ReadFileDescription((folder + c.name).c_str());
    if (c.expected) {
      ASSERT_NE(description, nullptr) << c.name;
      EXPECT_STREQ(description, c.expected);
    } else {
      EXPECT_EQ(description, nullptr) << c.name;
    }
    delete[] description;
  }
  EXPECT_EQ(ReadFileDescription((TempFolder("lumetta-convert-test") + "a.bmp").c_str()), nullptr) << "no descript.ion";
}
