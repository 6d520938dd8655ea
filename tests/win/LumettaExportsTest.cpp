// lumetta32.dll's entry points, called through the real loader as the shell and rundll32 call them.
#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>
#include "BuildFolders.h"

namespace {

// The served class.
const CLSID kLumettaClsid = {0x672386AE, 0x5F5E, 0x4D0E, {0x94, 0xCC, 0x44, 0x6F, 0x33, 0xF0, 0xD8, 0x31}};

class LumettaExports : public ::testing::Test {
protected:
  void SetUp() override {
    module_ = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed, error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  // The export names, read from the loaded image's export directory.
  std::vector<std::string> ExportNames() const {
    auto base = reinterpret_cast<const BYTE*>(module_);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> out;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) out.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    std::sort(out.begin(), out.end());
    return out;
  }

  HMODULE module_ = nullptr;
};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

TEST_F(LumettaExports, ExportsExactlyTheThreeEntryPoints) {
  const std::vector<std::string> expected = {"DllCanUnloadNow", "DllGetClassObject", "ShowImage"};
  EXPECT_EQ(ExportNames(), expected);
  EXPECT_NE(GetProcAddress(module_, "ShowImage"), nullptr);
}

TEST_F(LumettaExports, OnlyTheServedClassIsAvailableAndTheOutPointerIsAlwaysSet) {
  auto getClassObject = Entry<GetClassObjectFn>(module_, "DllGetClassObject");
  auto canUnloadNow = Entry<CanUnloadNowFn>(module_, "DllCanUnloadNow");
  ASSERT_NE(getClassObject, nullptr);
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);

  // A factory refused under an interface it lacks leaves nothing alive that would pin the module.
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(kLumettaClsid, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(kLumettaClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(LumettaExports, CanUnloadWhileNothingIsAlive) {
  auto canUnloadNow = Entry<CanUnloadNowFn>(module_, "DllCanUnloadNow");
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

namespace {

// Every (type, name) of a module's resources with the languages it comes in. Types and names are given as
// numbers, or as text for the named ones.
using ResourceLanguages = std::vector<std::pair<std::string, std::vector<WORD>>>;
ResourceLanguages LanguagesOf(const std::string& file) {
  ResourceLanguages out;
  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return out;
  auto id = [](LPCSTR name) {
    return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<ULONG_PTR>(name)) : std::string(name);
  };
  struct Walk {
    ResourceLanguages* out;
    decltype(id)* name;
    LPCSTR type;
  } walk{&out, &id, nullptr};
  EnumResourceTypesA(
      module,
      [](HMODULE m, LPSTR type, LONG_PTR p) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(p);
        w->type = type;
        EnumResourceNamesA(
            m, type,
            [](HMODULE m, LPCSTR type, LPSTR name, LONG_PTR p) -> BOOL {
              auto* w = reinterpret_cast<Walk*>(p);
              w->out->push_back({(*w->name)(type) + "/" + (*w->name)(name), {}});
              EnumResourceLanguagesA(
                  m, type, name,
                  [](HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR p) -> BOOL {
                    reinterpret_cast<std::vector<WORD>*>(p)->push_back(language);
                    return TRUE;
                  },
                  reinterpret_cast<LONG_PTR>(&w->out->back().second));
              return TRUE;
            },
            p);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&walk));
  FreeLibrary(module);
  return out;
}

}  // namespace

// mercanota speaks Portuguese (Brazil) only, and says so in every resource; lumetta32's string tables
// come in English, German, French and Portuguese (Brazil), its dialogs in English and Portuguese.
TEST(ResourceLanguages, MercanotaIsPortugueseAndLumettaHasItsFourLanguages) {
  const WORD pt = MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN);
  const auto mercanota = LanguagesOf(BinFolder() + "mercanota.exe");
  ASSERT_FALSE(mercanota.empty());
  for (const auto& [resource, languages] : mercanota) {
    // The linker's own manifest (type 24) is not the program's to mark.
    if (resource.rfind("24/", 0) == 0) continue;
    EXPECT_EQ(languages, std::vector<WORD>{pt}) << "mercanota.exe " << resource;
  }

  const auto lumetta = LanguagesOf(BinFolder() + "lumetta32.dll");
  auto languagesOf = [&](const std::string& resource) {
    for (const auto& [r, languages] : lumetta) {
      if (r == resource) {
        std::vector<WORD> sorted = languages;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
      }
    }
    return std::vector<WORD>{};
  };
  // String blocks 1 (ids 1-15) and 2 (ids 16-31); dialogs About, Options, progress and print setup.
  for (const char* block : {"6/1", "6/2"})
    EXPECT_EQ(languagesOf(block), (std::vector<WORD>{0x0407, 0x0409, 0x040C, pt})) << block;
  for (const char* dialog : {"5/100", "5/104", "5/503", "5/504"})
    EXPECT_EQ(languagesOf(dialog), (std::vector<WORD>{0x0409, pt})) << dialog;
}
