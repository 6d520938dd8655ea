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
