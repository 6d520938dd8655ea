// The setup program as an administrator uses it, in the test prefix: a silent installation, the files,
// the registry and the Start menu it leaves, the context-menu handler created through COM from what it
// registered (as the file manager creates it), a second installation over the user's catalogue, and the
// silent uninstallation, after which only the user's data may remain.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "BuildFolders.h"
#include "DropDataObject.h"

namespace {

const char kClsid[] = "{672386AE-5F5E-4D0E-94CC-446F33F0D831}";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mercanota e Lumetta32";
const char kMissing[] = "(missing)";

DWORD RunAndWait(std::string command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  WaitForSingleObject(process.hProcess, 180000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code;
}

std::string RegText(HKEY root, const std::string& key, const char* value) {
  char data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return kMissing;
  return data;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveTree(const std::string& folder) {
  std::string from = folder + '\0';
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NO_UI;
  SHFileOperationA(&operation);
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : kMissing;
}

void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The menu the file manager would get for one image file: the number of identifiers QueryContextMenu
// claims, and the file the module was loaded from.
std::pair<int, std::string> MenuThroughCom(const std::string& image) {
  std::pair<int, std::string> result = {-1, kMissing};
  CLSID clsid;
  CLSIDFromString(L"{672386AE-5F5E-4D0E-94CC-446F33F0D831}", &clsid);
  IShellExtInit* init = nullptr;
  if (FAILED(
          CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
    return result;
  IDataObject* selection = new DropDataObject({image});
  IContextMenu* menu = nullptr;
  if (SUCCEEDED(init->Initialize(nullptr, selection, nullptr)) &&
      SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)))) {
    HMENU popup = CreatePopupMenu();
    HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
    if (SUCCEEDED(hr)) result.first = HRESULT_CODE(hr);
    char module[MAX_PATH] = {};
    if (GetModuleFileNameA(GetModuleHandleA("lumetta32.dll"), module, MAX_PATH)) result.second = module;
    menu->Release();
    DestroyMenu(popup);
  }
  selection->Release();
  init->Release();
  return result;
}

}  // namespace

TEST(SetupProgram, InstallsRegistersAndUninstallsLeavingOnlyTheUsersData) {
  const std::string bin = BinFolder();
  const std::string setup = "\"" + bin + "mercanota-lumetta32-setup.exe\" /S";
  const std::string dir = "C:\\Program Files\\Mercanota e Lumetta32 (teste)";
  const std::string mercanota = dir + "\\Mercanota", lumetta = dir + "\\Lumetta32";
  char programs[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs);
  const std::string menuDir = std::string(programs) + "\\Mercanota e Lumetta32";
  RemoveTree(dir);  // what an interrupted run left

  ASSERT_EQ(RunAndWait(setup + " /D=" + dir), 0u);

  // What the build made beside the modules is what was installed, whichever sounds and help files it made.
  std::vector<std::string> mercanotaFiles = {"Registro.mdb", "mercanota.exe"}, lumettaFiles = {"lumetta32.dll"};
  for (const std::string& name : FilesIn(bin.substr(0, bin.size() - 1))) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(tolower(c)); });
    if (lower.ends_with(".wav") || name == "MercanotaK.HLP") mercanotaFiles.push_back(name);
    if (name == "lumetta32.hlp" || name == "lumetta32-ptb.hlp") lumettaFiles.push_back(name);
  }
  std::sort(mercanotaFiles.begin(), mercanotaFiles.end());
  std::sort(lumettaFiles.begin(), lumettaFiles.end());
  EXPECT_EQ(FilesIn(mercanota), mercanotaFiles);
  EXPECT_EQ(FilesIn(lumetta), lumettaFiles);
  EXPECT_TRUE(Exists(dir + "\\uninstall.exe"));

  const std::string classKey = std::string("CLSID\\") + kClsid;
  const std::string handlerKey = "*\\shellex\\ContextMenuHandlers\\Lumetta32";
  const std::string approvedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr), lumetta + "\\lumetta32.dll");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, handlerKey, nullptr), kClsid);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, approvedKey, kClsid), "Lumetta32");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + dir + "\\uninstall.exe\"");

  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  EXPECT_TRUE(Exists(menuDir + "\\Mercanota.lnk") && Exists(menuDir + "\\Desinstalar.lnk")) << menuDir;
  // The help files' shortcuts, the Portuguese one among them.
  for (const char* help : {"Ajuda do Mercanota.lnk", "Lumetta32 Help.lnk", "Ajuda do Lumetta32.lnk"})
    EXPECT_TRUE(Exists(menuDir + "\\" + help)) << help;
  testimages::BmpLayout photo;
  photo.width = 150;
  photo.height = 100;
  photo.pixel = [](int x, int y) { return uint32_t(x) << 16 | uint32_t(y) << 8; };
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string image = std::string(temp) + "setup photo.bmp";
  const std::vector<uint8_t> bytes = testimages::BuildBmp(photo);
  WriteAll(image, std::string(bytes.begin(), bytes.end()));
  // Eleven identifiers: the thumbnail and the command submenu, as in the menu the end-to-end test lists.
  EXPECT_EQ(MenuThroughCom(image), std::make_pair(11, lumetta + "\\lumetta32.dll"));
  CoUninitialize();
  // Nothing may hold the module when the uninstaller comes to delete it.
  EXPECT_EQ(GetModuleHandleA("lumetta32.dll"), nullptr);
  DeleteFileA(image.c_str());

  // The user's catalogue and update text; an installation over them (into the folder the first one
  // recorded) keeps the catalogue.
  WriteAll(mercanota + "\\Registro.mdb", "o catálogo do usuário");
  WriteAll(mercanota + "\\atualiza.dat", "o último texto de preços");
  ASSERT_EQ(RunAndWait(setup), 0u);
  EXPECT_EQ(ReadAll(mercanota + "\\Registro.mdb"), "o catálogo do usuário");
  EXPECT_TRUE(Exists(mercanota + "\\mercanota.exe"));

  // The uninstaller runs from a copy of itself in the temporary folder and returns at once; it is done
  // when its last step has removed its own registry key.
  const std::string quiet = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
  ASSERT_EQ(quiet, "\"" + dir + "\\uninstall.exe\" /S");
  ASSERT_EQ(RunAndWait(quiet), 0u);
  for (int waited = 0; waited < 600 && RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName") != kMissing; ++waited)
    Sleep(100);
  Sleep(500);

  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"Mercanota"});
  EXPECT_EQ(FilesIn(mercanota), (std::vector<std::string>{"Registro.mdb", "atualiza.dat"}));
  EXPECT_EQ(ReadAll(mercanota + "\\atualiza.dat"), "o último texto de preços");
  EXPECT_FALSE(Exists(menuDir));
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr), kMissing);
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, handlerKey, nullptr), kMissing);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, approvedKey, kClsid), kMissing);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), kMissing);
  RemoveTree(dir);
}
