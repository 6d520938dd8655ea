// lumetta32.dll's COM server, context menu and settings, called the way the file manager calls a
// context-menu handler: the module loaded by the real loader, its class object taken through
// DllGetClassObject, the selection handed over as a CF_HDROP data object, the items read back from a
// real menu. The module reads its settings from the registry when it is loaded and writes them back when
// it is unloaded, so each case sets the registry first and loads the module afresh.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BmpBuilder.h"
#include "BuildFolders.h"
#include "DropDataObject.h"
#include "GdiObjects_win.h"
#include "shell/ModuleState.h"
#include "shell/Settings.h"
#include "ShellLinks_win.h"
#include "TempFiles_win.h"

namespace {

const CLSID kLumettaClsid = {0x672386AE, 0x5F5E, 0x4D0E, {0x94, 0xCC, 0x44, 0x6F, 0x33, 0xF0, 0xD8, 0x31}};
constexpr UINT kFirst = 100;  // the first identifier the "shell" hands out

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

std::string TestFolder() { return testfiles::TempFolder("lumetta-shell-test"); }

std::string WriteTestFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = TestFolder() + name;
  testfiles::WriteWholeFile(path, bytes);
  return path;
}

// 64 x 48 at 24 bits (a colour ramp) or 40 x 30 at 1 bit (a checkerboard).
std::vector<uint8_t> TestBmp(int bits) {
  testimages::BmpLayout layout;
  layout.bits = uint16_t(bits);
  if (bits == 1) {
    layout.width = 40;
    layout.height = 30;
    layout.palette = {0x000000, 0xFFFFFF};
    layout.pixel = [](int x, int y) { return uint32_t((x / 4 + y / 4) & 1); };
  } else {
    layout.width = 64;
    layout.height = 48;
    layout.pixel = [](int x, int y) { return uint32_t(x * 4) << 16 | uint32_t(y * 5) << 8 | 0x40; };
  }
  return testimages::BuildBmp(layout);
}

void SetStoredFlag(const char* name, int32_t value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&value), 4);
  RegCloseKey(key);
}

// A stored value's type and bytes; type 0 when it is missing.
std::vector<uint8_t> StoredValue(const char* keyPath, const char* name, DWORD* type) {
  std::vector<uint8_t> bytes(256);
  DWORD size = DWORD(bytes.size());
  *type = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, keyPath, name, RRF_RT_ANY, type, bytes.data(), &size) != ERROR_SUCCESS) return {};
  bytes.resize(size);
  return bytes;
}

// The module as the file manager holds it: loaded by path, reached through its two COM exports.
class LoadedModule {
public:
  LoadedModule() : module_(LoadLibraryA((BinFolder() + "lumetta32.dll").c_str())) {}
  ~LoadedModule() { Unload(); }
  void Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  HMODULE Handle() const { return module_; }
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** out) const {
    auto fn = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    return fn(clsid, riid, out);
  }
  HRESULT CanUnloadNow() const {
    auto fn = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    return fn();
  }
  // A new extension object, initialised with `files`, as the interface the shell would ask for.
  template <typename T>
  T* Extension(REFIID riid, const std::vector<std::string>& files) const {
    IClassFactory* factory = nullptr;
    if (FAILED(GetClassObject(kLumettaClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
    IShellExtInit* init = nullptr;
    factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    factory->Release();
    if (!init) return nullptr;
    auto data = new DropDataObject(files);
    init->Initialize(nullptr, data, nullptr);
    data->Release();
    T* out = nullptr;
    init->QueryInterface(riid, reinterpret_cast<void**>(&out));
    init->Release();
    return out;
  }

private:
  HMODULE module_;
};

class LumettaShell : public ::testing::Test {
protected:
  void SetUp() override {
    CoInitialize(nullptr);
    // Every case starts from the defaults; the module writes what it loaded back when it is unloaded.
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    CoUninitialize();
  }
};

void PressKeys(bool control, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
}

// A menu, one item per "|", submenus in braces: "-" separator, "O0"/"B0" owner-drawn/bitmap item
// with its command offset, "T3 text" a text item, "P[caption]{...}" a submenu. Host items show their text.
std::string Describe(HMENU menu) {
  std::string out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_BITMAP;
    item.dwTypeData = text;
    item.cch = sizeof text;
    GetMenuItemInfoA(menu, UINT(i), TRUE, &item);
    if (i) out += "|";
    std::string offset = item.wID >= kFirst ? std::to_string(item.wID - kFirst) : "";
    if (item.hSubMenu)
      out += "P[" + std::string(text) + "]{" + Describe(item.hSubMenu) + "}";
    else if (item.fType & MFT_SEPARATOR)
      out += "-";
    else if (item.fType & MFT_OWNERDRAW)
      out += "O" + offset;
    else if (item.fType & MFT_BITMAP || (!text[0] && item.hbmpItem))
      out += "B" + offset;
    else
      out += offset.empty() ? std::string(text) : "T" + offset + " " + text;
  }
  return out;
}

const std::string kSubmenuStart =
    "T0 &View|T1 &Print|-|T2 &Tiled wallpaper|T3 &Centered wallpaper|T4 &Restore wallpaper|-|";
const std::string kSubmenuEnd = "-|T7 &Options|-|T8 &About Lumetta32...|T9 Help";
const std::string kSubmenu24 = kSubmenuStart + "T6 Convert to &JPEG|" + kSubmenuEnd;
const std::string kSubmenu1 = kSubmenuStart + kSubmenuEnd;

}  // namespace

TEST_F(LumettaShell, ServerObjectsInterfacesAndUnloading) {
  LoadedModule module;
  ASSERT_NE(module.Handle(), nullptr);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(module.GetClassObject(kLumettaClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(module.CanUnloadNow(), S_FALSE) << "a live factory";

  IUnknown* outer = factory;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  IUnknown* extension = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&extension)), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(module.CanUnloadNow(), S_FALSE) << "a live extension and a server lock";

  // IUnknown is the IShellExtInit pointer; both menu interfaces are the other one.
  struct {
    const IID* iid;
    const char* name;
    HRESULT expected;
  } const interfaces[] = {{&IID_IUnknown, "IUnknown", S_OK},
                          {&IID_IShellExtInit, "IShellExtInit", S_OK},
                          {&IID_IContextMenu, "IContextMenu", S_OK},
                          {&IID_IContextMenu2, "IContextMenu2", S_OK},
                          {&IID_IContextMenu3, "IContextMenu3", E_NOINTERFACE},
                          {&IID_IClassFactory, "IClassFactory", E_NOINTERFACE}};
  void* pointers[6] = {};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(extension->QueryInterface(*interfaces[i].iid, &pointers[i]), interfaces[i].expected)
        << interfaces[i].name;
    if (pointers[i]) static_cast<IUnknown*>(pointers[i])->Release();
  }
  EXPECT_EQ(pointers[0], pointers[1]);
  EXPECT_EQ(pointers[2], pointers[3]);
  EXPECT_NE(pointers[0], pointers[2]);
  EXPECT_EQ(pointers[4], nullptr);

  // Initialize accepts anything and always succeeds; without a data object nothing is offered later.
  IShellExtInit* init = static_cast<IShellExtInit*>(pointers[1]);
  init->AddRef();
  EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), S_OK);
  init->Release();

  EXPECT_EQ(extension->Release(), 0u);
  EXPECT_EQ(module.CanUnloadNow(), S_FALSE) << "the server lock";
  IClassFactory* again = nullptr;
  ASSERT_EQ(module.GetClassObject(kLumettaClsid, IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  again->LockServer(FALSE);
  again->Release();
  EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

TEST_F(LumettaShell, MenuItemsForEachSelectionSettingAndKey) {
  CoInitialize(nullptr);
  const std::string bmp24 = WriteTestFile("ramp.bmp", TestBmp(24));
  const std::string bmp1 = WriteTestFile("checks.bmp", TestBmp(1));
  const std::string text = WriteTestFile("notes.txt", {'h', 'e', 'l', 'l', 'o', '\r', '\n'});
  const std::string disguised = WriteTestFile("ramp.dat", TestBmp(24));
  const std::string garbage = WriteTestFile("garbage.bmp", std::vector<uint8_t>(300, 0xA5));
  testimages::BmpLayout cut;
  cut.width = 64;
  cut.height = 48;
  cut.rawPixels = std::vector<uint8_t>(100, 0x33);  // 100 of the 9216 bytes of pixels
  const std::string truncated = WriteTestFile("truncated.bmp", testimages::BuildBmp(cut));
  const std::string link = TestFolder() + "ramp shortcut.lnk";
  ASSERT_TRUE(testimages::MakeShortcut(link, bmp24));

  const std::string thumbnail24 = "Open|-|O0|P[64x48x16M bmp]{" + kSubmenu24 + "}|-|Delete";
  const std::string nothing = "Open|Delete";
  struct Case {
    const char* what;
    std::vector<std::string> files;
    int32_t checkAllExtensions, noThumbnail;
    bool ownerDraw, control, shift;
    UINT flags;
    unsigned identifiers;
    std::string items;
  } const cases[] = {
      {"24-bit BMP", {bmp24}, 1, 0, true, false, false, CMF_NORMAL, 11, thumbnail24},
      {"a shell that draws no items gets the bitmap",
       {bmp24},
       1,
       0,
       false,
       false,
       false,
       CMF_NORMAL,
       11,
       "Open|-|B0|P[64x48x16M bmp]{" + kSubmenu24 + "}|-|Delete"},
      {"1-bit BMP: no JPEG",
       {bmp1},
       1,
       0,
       true,
       false,
       false,
       CMF_NORMAL,
       11,
       "Open|-|O0|P[40x30x2 bmp]{" + kSubmenu1 + "}|-|Delete"},
      {"SHIFT: View instead of the thumbnail",
       {bmp24},
       1,
       0,
       true,
       false,
       true,
       CMF_NORMAL,
       11,
       "Open|-|T0 &View|P[64x48x16M bmp]{" + kSubmenu24 + "}|-|Delete"},
      {"NoThumbnail: View",
       {bmp24},
       1,
       1,
       true,
       false,
       false,
       CMF_NORMAL,
       11,
       "Open|-|T0 &View|P[64x48x16M bmp]{" + kSubmenu24 + "}|-|Delete"},
      {"NoThumbnail and SHIFT: the thumbnail", {bmp24}, 1, 1, true, false, true, CMF_NORMAL, 11, thumbnail24},
      {"CTRL", {bmp24}, 1, 0, true, true, false, CMF_NORMAL, 0, nothing},
      {"CMF_DEFAULTONLY", {bmp24}, 1, 0, true, false, false, CMF_DEFAULTONLY, 0, nothing},
      {"two files", {bmp24, bmp1}, 1, 0, true, false, false, CMF_NORMAL, 0, nothing},
      {"no file", {}, 1, 0, true, false, false, CMF_NORMAL, 0, nothing},
      {"text file, all extensions", {text}, 1, 0, true, false, false, CMF_NORMAL, 11, nothing},
      {"text file, image extensions only", {text}, 0, 0, true, false, false, CMF_NORMAL, 0, nothing},
      {"BMP named .dat, all extensions", {disguised}, 1, 0, true, false, false, CMF_NORMAL, 11, thumbnail24},
      {"BMP named .dat, image extensions only", {disguised}, 0, 0, true, false, false, CMF_NORMAL, 0, nothing},
      {"shortcut to a BMP, image extensions only", {link}, 0, 0, true, false, false, CMF_NORMAL, 11, thumbnail24},
      {"garbage named .bmp", {garbage}, 1, 0, true, false, false, CMF_NORMAL, 11, nothing},
      {"truncated BMP: menu without thumbnail",
       {truncated},
       1,
       0,
       true,
       false,
       false,
       CMF_NORMAL,
       11,
       "Open|-|P[64x48x16M bmp]{" + kSubmenu24 + "}|-|Delete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    if (!c.checkAllExtensions) SetStoredFlag("CheckAllExtensions", 0);
    if (c.noThumbnail) SetStoredFlag("NoThumbnail", 1);
    LoadedModule module;
    ASSERT_NE(module.Handle(), nullptr);
    auto menuHandler = module.Extension<IContextMenu>(c.ownerDraw ? IID_IContextMenu2 : IID_IContextMenu, c.files);
    ASSERT_NE(menuHandler, nullptr);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Open");
    AppendMenuA(menu, MF_STRING, 2, "Delete");
    PressKeys(c.control, c.shift);
    HRESULT hr = menuHandler->QueryContextMenu(menu, 1, kFirst, 0x7FFF, c.flags);
    PressKeys(false, false);
    EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_SUCCESS, 0, c.identifiers));
    EXPECT_EQ(Describe(menu), c.items);
    DestroyMenu(menu);
    EXPECT_EQ(menuHandler->Release(), 0u);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
  }
  // Identifiers the shell cannot give (fewer than the eleven reserved) get no items at all.
  LoadedModule module;
  auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu2, {bmp24});
  ASSERT_NE(menuHandler, nullptr);
  HMENU menu = CreatePopupMenu();
  EXPECT_EQ(menuHandler->QueryContextMenu(menu, 0, kFirst, kFirst + 9, CMF_NORMAL),
            MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
  EXPECT_EQ(GetMenuItemCount(menu), 0);
  DestroyMenu(menu);
  menuHandler->Release();
  CoUninitialize();
}

TEST_F(LumettaShell, OwnerDrawnThumbnailIsMeasuredAndDrawnCentredInASunkenFrame) {
  const std::string bmp24 = WriteTestFile("ramp.bmp", TestBmp(24));
  LoadedModule module;
  auto menuHandler = module.Extension<IContextMenu2>(IID_IContextMenu2, {bmp24});
  ASSERT_NE(menuHandler, nullptr);
  HMENU menu = CreatePopupMenu();
  ASSERT_EQ(menuHandler->QueryContextMenu(menu, 0, kFirst, 0x7FFF, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 11));

  // 64 x 48 fits the 100 x 100 box as it is; the item is 12 pixels larger each way.
  MEASUREITEMSTRUCT measure = {ODT_MENU, 0, kFirst, 0, 0, 0};
  EXPECT_EQ(menuHandler->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), S_OK);
  EXPECT_EQ(measure.itemWidth, 76u);
  EXPECT_EQ(measure.itemHeight, 60u);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 100, 80);
  ReleaseDC(nullptr, screen);
  HGDIOBJ previous = SelectObject(dc, target);
  for (UINT state : {0u, UINT(ODS_SELECTED)}) {
    SCOPED_TRACE(state ? "selected" : "plain");
    DRAWITEMSTRUCT draw = {ODT_MENU,        0, kFirst, ODA_DRAWENTIRE, state, reinterpret_cast<HWND>(menu), dc,
                           {10, 5, 90, 75}, 0};
    EXPECT_EQ(menuHandler->HandleMenuMsg(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), S_OK);
    // Item 80 x 70 at (10, 5): the thumbnail's corner at (10 + 8, 5 + 11), the frame one pixel around.
    const COLORREF background = GetSysColor(state ? COLOR_HIGHLIGHT : COLOR_MENU);
    EXPECT_EQ(GetPixel(dc, 11, 6), background);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0)) << "outside the item";
    EXPECT_EQ(GetPixel(dc, 17, 15), GetSysColor(COLOR_BTNSHADOW)) << "top-left of the sunken frame";
    EXPECT_EQ(GetPixel(dc, 82, 64), GetSysColor(COLOR_BTNHIGHLIGHT)) << "bottom-right of the sunken frame";
    // Pixel (x, y) of the ramp is red 4x, green 5y, blue 0x40 (the screen here has 24 bits).
    EXPECT_EQ(GetPixel(dc, 18, 16), RGB(0, 0, 0x40));
    EXPECT_EQ(GetPixel(dc, 18 + 63, 16 + 47), RGB(252, 235, 0x40));
  }
  SelectObject(dc, previous);
  DeleteObject(target);
  DeleteDC(dc);
  DestroyMenu(menu);
  menuHandler->Release();
}

namespace {

// The modal window a command of this process opens, acted on from a second thread as a person would:
// its caption and a control's text are read, then it is cancelled. Whatever its caption, so that a
// wrong one fails the case instead of leaving the command waiting.
struct SeenDialog {
  std::string caption, control;
};
std::thread CancelNextModal(int controlId, SeenDialog* seen) {
  return std::thread([controlId, seen] {
    for (int tries = 0; tries < 1000; ++tries) {
      struct Search {
        HWND found = nullptr;
      } search;
      EnumWindows(
          [](HWND window, LPARAM p) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            char name[32] = {};
            GetClassNameA(window, name, sizeof name);
            if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || std::strcmp(name, "#32770") != 0)
              return TRUE;
            reinterpret_cast<Search*>(p)->found = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (HWND window = search.found) {
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        seen->caption = text;
        HWND page = reinterpret_cast<HWND>(SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0));
        GetDlgItemTextA(page ? page : window, controlId, text, sizeof text);
        seen->control = text;
        if (page)
          PostMessageA(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        else
          PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      Sleep(20);
    }
  });
}

// A menu's texts, "|" between items, a submenu's in braces after its own.
std::string MenuTexts(HMENU menu) {
  std::string out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
    out += (i ? "|" : "") + std::string(text);
    if (HMENU sub = GetSubMenu(menu, i)) out += "{" + MenuTexts(sub) + "}";
  }
  return out;
}

}  // namespace

// What the user's language shows. The plain run is English; the build runs this case again under German,
// French and Portuguese (Brazil) (LUMETTA_LANGUAGE says which to expect): the help texts, the menu with
// an access key of its own for every command, the dialogs (in English where the language has none of its
// own) and the help file the module opens.
TEST_F(LumettaShell, TextsMenuDialogsAndHelpFileInTheUserLanguage) {
  const char* language = std::getenv("LUMETTA_LANGUAGE");
  const std::string lang = language ? language : "en";
  struct Dialogs {
    const char *options, *noThumbnail, *about, *version, *printSetup, *filePath;
  };
  const Dialogs english = {"Options",
                           "&Don't add thumbnail to context menu",
                           "About Lumetta32",
                           "Version 1.12",
                           "Lumetta32 Print Setup",
                           "Show file p&ath"};
  // German and French have no viewer menu of their own: it stays English.
  const char* kEnglishViewerMenu =
      "&Print...|&Wallpaper{&Tiled|&Centered|&Remove}|&Zoom{&Reduce\tNUMPAD -|&Enlarge\tNUMPAD +|&100%\tNUMPAD "
      "/|&Fit to screen\tNUMPAD *}|&Reload\tSHIFT+F5||&About...|&Close\tEsc";
  struct Texts {
    const char* lang;
    const char* help[10];  // by command offset
    const char* menu[10];
    const wchar_t* aboutWide;
    Dialogs dialogs;
    const char* helpFile;
    const char* viewerMenu;
  } const tables[] = {
      {"en",
       {"Displays the image.", "Prints the image.", "Sets the desktop wallpaper to the tiled image.",
        "Sets the desktop wallpaper to the centered image.", "Restores the desktop wallpaper.",
        "Converts the image to BMP format.", "Converts the image to JPG format.",
        "Lets you customize Lumetta's behaviour.", "About Lumetta.", "Shows Lumetta's on-line help."},
       {"&View", "&Print", "&Tiled wallpaper", "&Centered wallpaper", "&Restore wallpaper", "Convert to &BMP",
        "Convert to &JPEG", "&Options", "&About Lumetta32...", "Help"},
       L"About Lumetta.",
       english,
       "\\lumetta32.hlp",
       kEnglishViewerMenu},
      {"de",
       {"Ansicht.", "Drucken.", "Hintergrundbild als Fläche.", "Hintergrundbild zentriert.",
        "Hintergrundbild wiederherstellen.", "Umwandeln zu BMP.", "Umwandeln zu JPEG.",
        "Lets you customize Lumetta's behaviour.", "Info über Lumetta32.", "Hilfe."},
       {"&Ansicht", "&Drucken", "Hintergrundbild als &Fläche", "Hintergrundbild &zentriert",
        "Hintergrundbild &wiederherstellen", "Umwandeln zu &BMP", "Umwandeln zu &JPEG", "&Optionen",
        "&Info über Lumetta32", "&Hilfe"},
       L"Info über Lumetta32.",
       english,
       "\\lumetta32.hlp",
       kEnglishViewerMenu},
      {"fr",
       {"Afficher l'image", "Imprimer l'image.", "Faire l'image comme papier peint en mosaïque.",
        "Faire l'image comme papier peint centré.", "Rétablir papier peint.", "Convertir l'image en BMP.",
        "Convertir l'image en JPEG.", "Lets you customize Lumetta's behaviour.", "À propos de Lumetta32.",
        "Afficher du aide."},
       {"&Afficher", "&Imprimer", "Papier peint en &mosaïque", "Papier peint &centré", "Rétablir papier &peint",
        "Convertir en &BMP", "Convertir en &JPEG", "&Options", "À p&ropos...", "Aide"},
       L"À propos de Lumetta32.",
       english,
       "\\lumetta32.hlp",
       kEnglishViewerMenu},
      {"pt",
       {"Exibe a imagem.", "Imprime a imagem.", "Usa a imagem lado a lado como papel de parede.",
        "Usa a imagem centralizada como papel de parede.", "Restaura o papel de parede anterior.",
        "Converte a imagem para o formato BMP.", "Converte a imagem para o formato JPEG.",
        "Personaliza o funcionamento do Lumetta32.", "Sobre o Lumetta32.", "Mostra a ajuda do Lumetta32."},
       {"&Exibir", "&Imprimir", "Papel de parede &lado a lado", "Papel de parede &centralizado",
        "&Restaurar papel de parede", "Converter para &BMP", "Converter para &JPEG", "&Opções", "&Sobre o Lumetta32...",
        "Aj&uda"},
       L"Sobre o Lumetta32.",
       {"Opções", "&Não incluir miniatura no menu de contexto", "Sobre o Lumetta32", "Versão 1.12",
        "Configurar impressão do Lumetta32", "Mostrar o ca&minho do arquivo"},
       "\\lumetta32-ptb.hlp",
       "&Imprimir...|&Papel de parede{&Lado a lado|&Centralizado|&Restaurar o anterior}|&Zoom{&Reduzir\tNUMPAD "
       "-|&Ampliar\tNUMPAD +|&100%\tNUMPAD /|A&justar à tela\tNUMPAD *}|Re&carregar\tSHIFT+F5||&Sobre o "
       "Lumetta32...|&Fechar\tEsc"},
  };
  const Texts* expected = nullptr;
  for (const Texts& t : tables)
    if (lang == t.lang) expected = &t;
  ASSERT_NE(expected, nullptr) << lang;

  const std::string bmp24 = WriteTestFile("ramp.bmp", TestBmp(24));
  LoadedModule module;
  auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu, {bmp24});
  ASSERT_NE(menuHandler, nullptr);
  for (UINT offset = 0; offset <= 10; ++offset) {
    char text[100];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(menuHandler->GetCommandString(offset, GCS_HELPTEXTA, nullptr, text, sizeof text), S_OK);
    EXPECT_STREQ(text, offset < 10 ? expected->help[offset] : "") << "offset " << offset;
  }
  // The wide text is whole and terminated in a buffer of its length; cut and terminated in a shorter one.
  for (UINT units : {100u, 6u}) {
    wchar_t wide[100];
    std::fill(std::begin(wide), std::end(wide), L'x');
    EXPECT_EQ(menuHandler->GetCommandString(8, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), units), S_OK);
    EXPECT_EQ(std::wstring(wide), std::wstring(expected->aboutWide).substr(0, units - 1)) << units << " units";
  }
  // Verbs and validation get an empty answer; a verb given as a string is refused.
  for (UINT flags : {UINT(GCS_VERBA), UINT(GCS_VALIDATEA)}) {
    char text[100] = "junk";
    EXPECT_EQ(menuHandler->GetCommandString(0, flags, nullptr, text, sizeof text), S_OK);
    EXPECT_STREQ(text, "");
  }
  CMINVOKECOMMANDINFO info = {sizeof info, 0, nullptr, "open", nullptr, nullptr, SW_SHOWNORMAL, 0, nullptr};
  EXPECT_EQ(menuHandler->InvokeCommand(&info), E_INVALIDARG);
  info.lpVerb = MAKEINTRESOURCEA(10);
  EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);

  // The menu of a 24-bit BMP file (no conversion to BMP) as the file manager shows it.
  HMENU menu = CreatePopupMenu();
  PressKeys(false, true);  // SHIFT: the View item instead of the thumbnail
  ASSERT_EQ(menuHandler->QueryContextMenu(menu, 0, kFirst, kFirst + 100, CMF_NORMAL), MAKE_HRESULT(0, 0, 11));
  PressKeys(false, false);
  const char* const* m = expected->menu;
  const std::string submenu = std::string("T0 ") + m[0] + "|T1 " + m[1] + "|-|T2 " + m[2] + "|T3 " + m[3] + "|T4 " +
                              m[4] + "|-|T6 " + m[6] + "|-|T7 " + m[7] + "|-|T8 " + m[8] + "|T9 " + m[9];
  EXPECT_EQ(Describe(menu), "-|T0 " + std::string(m[0]) + "|P[64x48x16M bmp]{" + submenu + "}|-");
  std::string keys;
  for (const char* text : expected->menu) {
    const char* amp = std::strchr(text, '&');
    if (!amp) continue;
    const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(amp[1])));
    EXPECT_EQ(keys.find(key), std::string::npos) << "access key " << key << " of \"" << text << "\" is taken";
    keys += key;
  }
  DestroyMenu(menu);

  // The dialogs: each read and cancelled.
  const struct {
    UINT offset;
    int control;
    const char* caption;
    const char* text;
  } dialogs[] = {
      {7, 1011, expected->dialogs.options, expected->dialogs.noThumbnail},
      {8, 113, expected->dialogs.about, expected->dialogs.version},
      {1, 127, expected->dialogs.printSetup, expected->dialogs.filePath},
  };
  for (const auto& d : dialogs) {
    SeenDialog seen;
    std::thread person = CancelNextModal(d.control, &seen);
    info.lpVerb = MAKEINTRESOURCEA(d.offset);
    EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);
    person.join();
    EXPECT_EQ(seen.caption, d.caption) << "offset " << d.offset;
    EXPECT_EQ(seen.control, d.text) << "offset " << d.offset;
  }

  // The viewer's menu (View, then a right click), read while it is open and then closed.
  info.lpVerb = MAKEINTRESOURCEA(0);
  EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);
  HWND frame = FindWindowA("Lumetta", nullptr);
  ASSERT_NE(frame, nullptr);
  std::string viewerMenu;
  std::thread reader([&viewerMenu] {
    for (int tries = 0; tries < 500; ++tries, Sleep(20)) {
      HWND popup = FindWindowA("#32768", nullptr);
      HMENU shown =
          popup && IsWindowVisible(popup) ? reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
      if (!shown) continue;
      viewerMenu = MenuTexts(shown);
      PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
      return;
    }
  });
  SendMessageA(frame, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame), MAKELPARAM(-1, -1));
  reader.join();
  EXPECT_EQ(viewerMenu, expected->viewerMenu);
  SendMessageA(frame, WM_CLOSE, 0, 0);
  menuHandler->Release();

  // The help file the module opens: the language's own beside the module, else the English one.
  AttachModule(module.Handle());
  const std::string helpFile = HelpFilePath;
  EXPECT_EQ(helpFile, BinFolder().substr(0, BinFolder().size() - 1) + expected->helpFile);
  if (lang == "pt") {
    const std::string alone = TestFolder() + "lumetta32.dll";
    ASSERT_TRUE(CopyFileA((BinFolder() + "lumetta32.dll").c_str(), alone.c_str(), FALSE));
    HMODULE copy = LoadLibraryA(alone.c_str());
    ASSERT_NE(copy, nullptr);
    AttachModule(copy);
    EXPECT_EQ(std::string(HelpFilePath), TestFolder() + "lumetta32.hlp") << "no Portuguese help file beside it";
    FreeLibrary(copy);
    DeleteFileA(alone.c_str());
  }
}

// View opens the viewer in the caller's process and returns; the open viewer holds the module until
// its window is closed, then frees itself.
TEST_F(LumettaShell, ViewOpensAViewerThatHoldsTheModuleUntilItCloses) {
  const std::string bmp24 = WriteTestFile("ramp.bmp", TestBmp(24));
  LoadedModule module;
  auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu, {bmp24});
  ASSERT_NE(menuHandler, nullptr);
  CMINVOKECOMMANDINFO info = {sizeof info,   0, nullptr, MAKEINTRESOURCEA(0), nullptr, nullptr,
                              SW_SHOWNORMAL, 0, nullptr};
  EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);
  menuHandler->Release();
  HWND frame = FindWindowA("Lumetta", nullptr);
  ASSERT_NE(frame, nullptr);
  char title[256] = "";
  GetWindowTextA(frame, title, sizeof title);
  EXPECT_STREQ(title, "ramp.bmp (64x48x16M bmp) - 100%");
  EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
  SendMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

// The file manager opens and closes menus all day long: a thousand menus with the thumbnail of a JPEG
// leave the process's GDI objects and private memory where they were, within a small margin for the
// heap's own bookkeeping.
TEST_F(LumettaShell, AThousandMenusOnAJpegLeaveNoGdiObjectsNorMemoryBehind) {
  std::string jpeg = std::string("Z:") + CRASHERS_DIR + "/jpeg-baseline.jpg";  // the source tree, through Wine's Z:
  for (char& c : jpeg)
    if (c == '/') c = '\\';
  LoadedModule module;
  ASSERT_NE(module.Handle(), nullptr);
  auto openAndClose = [&] {
    auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu2, {jpeg});
    if (!menuHandler) return std::string("no handler");
    HMENU menu = CreatePopupMenu();
    menuHandler->QueryContextMenu(menu, 0, kFirst, 0x7FFF, CMF_NORMAL);
    std::string items = Describe(menu);
    DestroyMenu(menu);
    menuHandler->Release();
    return items;
  };
  // Private bytes: every committed page that is not part of a loaded module.
  const auto privateBytes = [] {
    int64_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
      if (region.State == MEM_COMMIT && region.Type != MEM_IMAGE) total += int64_t(region.RegionSize);
      if (region.RegionSize == 0) break;
    }
    return total;
  };
  // The first menus load what stays loaded (the libraries' tables, the heap's first blocks).
  const std::string first = openAndClose();
  EXPECT_EQ(first.substr(0, 4), "-|O0") << first;
  for (int i = 0; i < 20; ++i) openAndClose();
  const int64_t gdiBefore = testgdi::GdiObjectsInUse();
  const int64_t memoryBefore = privateBytes();
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(openAndClose(), first) << "menu " << i;
  const int64_t gdiAfter = testgdi::GdiObjectsInUse();
  const int64_t memoryAfter = privateBytes();
  std::printf("1000 menus: GDI objects %lld -> %lld, private bytes %lld -> %lld\n", static_cast<long long>(gdiBefore),
              static_cast<long long>(gdiAfter), static_cast<long long>(memoryBefore),
              static_cast<long long>(memoryAfter));
  EXPECT_GT(gdiBefore, 0) << "the GDI objects could not be counted";
  EXPECT_LE(gdiAfter, gdiBefore + 4);
  EXPECT_LT(memoryAfter - memoryBefore, int64_t(4) << 20);
  EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

TEST_F(LumettaShell, SettingsRoundTripThroughTheRegistry) {
  const char* key = "Software\\Orvane\\Lumetta32 round trip";
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
  Settings missing;
  missing.CheckAllExtensions = 7;
  EXPECT_FALSE(missing.Load(key));
  EXPECT_FALSE(missing.LoadPrintOptions(key));
  EXPECT_EQ(missing.CheckAllExtensions, 7) << "a missing key leaves the record alone";

  Settings written;
  int32_t Settings::*const fields[] = {
      &Settings::CheckAllExtensions, &Settings::AutoShrink,     &Settings::AutoEnlarge,
      &Settings::AutoFitWindow,      &Settings::NoThumbnail,    &Settings::Dither8,
      &Settings::Dither16,           &Settings::Dither8Preview, &Settings::Dither16Preview};
  const char* names[] = {"CheckAllExtensions", "AutoShrink",     "AutoEnlarge",
                         "AutoFitWindow",      "NoThumbnail",    "Dither8",
                         "Dither16",           "Dither8Preview", "Dither16Preview"};
  for (int i = 0; i < 9; ++i) written.*fields[i] = 0x01020300 + i;
  written.PrintOptions.scale = 250;
  written.PrintOptions.fitToPage = 1;
  written.PrintOptions.showFilePath = 1;
  written.PrintOptions.showDescription = 0;
  ASSERT_TRUE(written.Save(key));
  ASSERT_TRUE(written.SavePrintOptions(key));

  for (int i = 0; i < 9; ++i) {
    DWORD type = 0;
    std::vector<uint8_t> bytes = StoredValue(key, names[i], &type);
    EXPECT_EQ(type, DWORD(REG_BINARY)) << names[i];
    EXPECT_EQ(bytes, (std::vector<uint8_t>{uint8_t(i), 3, 2, 1})) << names[i] << ": four bytes, little-endian";
  }
  DWORD type = 0;
  std::vector<uint8_t> print = StoredValue(key, "PrintOptions", &type);
  EXPECT_EQ(type, DWORD(REG_BINARY));
  ASSERT_EQ(print.size(), 64u);
  EXPECT_EQ(std::vector<uint8_t>(print.begin(), print.begin() + 12),
            (std::vector<uint8_t>{250, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1}));

  Settings read;
  ASSERT_TRUE(read.Load(key));
  ASSERT_TRUE(read.LoadPrintOptions(key));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(read.*fields[i], written.*fields[i]) << names[i];
  EXPECT_EQ(std::memcmp(&read.PrintOptions, &written.PrintOptions, 64), 0);

  // A value of the wrong size is not half-read: the field keeps what it had.
  HKEY handle = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_WRITE, &handle);
  const BYTE two[2] = {9, 9};
  RegSetValueExA(handle, "NoThumbnail", 0, REG_BINARY, two, 2);
  RegSetValueExA(handle, "PrintOptions", 0, REG_BINARY, two, 2);
  RegCloseKey(handle);
  Settings defaults;
  ASSERT_TRUE(defaults.Load(key));
  ASSERT_TRUE(defaults.LoadPrintOptions(key));
  EXPECT_EQ(defaults.NoThumbnail, 0);
  EXPECT_EQ(defaults.PrintOptions.scale, 100);
  RegDeleteTreeA(HKEY_CURRENT_USER, key);

  // With no key at all, the module's first unload creates it with every value.
  {
    LoadedModule module;
    ASSERT_NE(module.Handle(), nullptr);
  }
  for (const char* name : names) {
    StoredValue(kSettingsKey, name, &type);
    EXPECT_EQ(type, DWORD(REG_BINARY)) << name;
  }
  EXPECT_EQ(StoredValue(kSettingsKey, "CheckAllExtensions", &type), (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(StoredValue(kSettingsKey, "PrintOptions", &type).size(), 64u);
}

namespace {

// The thumbnail handler the user's own classes name for an extension, or "".
std::string UserThumbnailHandler(const char* extension) {
  const std::string key =
      std::string("Software\\Classes\\") + extension + "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
  char value[64] = {};
  LONG size = sizeof value;
  return RegQueryValueA(HKEY_CURRENT_USER, key.c_str(), value, &size) == ERROR_SUCCESS ? value : "";
}

// Acts on the modal window with this caption that a command of this process opens, from a second
// thread, as a person would; the command's own thread is inside the window's message loop meanwhile.
template <typename Action>
std::thread ActOnModal(const char* caption, Action action) {
  return std::thread([caption, action] {
    for (int tries = 0; tries < 500; ++tries) {
      HWND window = FindWindowA(nullptr, caption);
      DWORD pid = 0;
      if (window) GetWindowThreadProcessId(window, &pid);
      if (window && pid == GetCurrentProcessId() && IsWindowVisible(window)) {
        action(window);
        return;
      }
      Sleep(20);
    }
  });
}

}  // namespace

TEST_F(LumettaShell, OptionsChangeSettingsOnlyOnOkAndTheAboutBoxShowsTheVersion) {
  const std::string bmp24 = WriteTestFile("ramp.bmp", TestBmp(24));
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    LoadedModule module;
    auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu, {bmp24});
    ASSERT_NE(menuHandler, nullptr);
    std::atomic<int> seen{-1};
    std::thread person = ActOnModal("Options", [&](HWND sheet) {
      HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      // What the page showed: the defaults (all extensions, thumbnail, fit to a resized window).
      seen = (IsDlgButtonChecked(page, 1010) == BST_CHECKED) + 2 * (IsDlgButtonChecked(page, 1011) == BST_CHECKED) +
             4 * (IsDlgButtonChecked(page, 1007) == BST_CHECKED);
      SendDlgItemMessageA(page, 1010, BM_SETCHECK, BST_UNCHECKED, 0);
      SendDlgItemMessageA(page, 1009, BM_SETCHECK, BST_CHECKED, 0);
      SendDlgItemMessageA(page, 1011, BM_SETCHECK, BST_CHECKED, 0);
      SendDlgItemMessageA(page, 1005, BM_SETCHECK, BST_CHECKED, 0);
      SendDlgItemMessageA(page, 1012, BM_SETCHECK, BST_CHECKED, 0);
      PostMessageA(sheet, PSM_PRESSBUTTON, ok ? PSBTN_OK : PSBTN_CANCEL, 0);
    });
    CMINVOKECOMMANDINFO info = {sizeof info,   0, nullptr, MAKEINTRESOURCEA(7), nullptr, nullptr,
                                SW_SHOWNORMAL, 0, nullptr};
    EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);
    person.join();
    EXPECT_EQ(seen, 1 + 4);
    menuHandler->Release();
    module.Unload();  // the settings reach the registry here

    DWORD type = 0;
    const uint8_t on = ok ? 1 : 0;
    EXPECT_EQ(StoredValue(kSettingsKey, "CheckAllExtensions", &type), (std::vector<uint8_t>{uint8_t(1 - on), 0, 0, 0}));
    EXPECT_EQ(StoredValue(kSettingsKey, "NoThumbnail", &type), (std::vector<uint8_t>{on, 0, 0, 0}));
    EXPECT_EQ(StoredValue(kSettingsKey, "AutoShrink", &type), (std::vector<uint8_t>{on, 0, 0, 0}));
    EXPECT_EQ(StoredValue(kSettingsKey, "AutoFitWindow", &type), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(StoredValue(kSettingsKey, "CommonFormatThumbnails", &type), (std::vector<uint8_t>{on, 0, 0, 0}));
    // The thumbnails of the system's own formats: taken over for this user only when OK said so.
    for (const char* type : {".jpg", ".tiff"})
      EXPECT_EQ(UserThumbnailHandler(type), ok ? "{75EC0415-F7B1-44B3-ACF4-2A08AFC04379}" : "") << type;
  }
  {
    // Cleared again: the user's entries go, and the keys made for them.
    LoadedModule module;
    auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu, {bmp24});
    ASSERT_NE(menuHandler, nullptr);
    std::thread person = ActOnModal("Options", [&](HWND sheet) {
      HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      SendDlgItemMessageA(page, 1012, BM_SETCHECK, BST_UNCHECKED, 0);
      PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    CMINVOKECOMMANDINFO info = {sizeof info,   0, nullptr, MAKEINTRESOURCEA(7), nullptr, nullptr,
                                SW_SHOWNORMAL, 0, nullptr};
    EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);
    person.join();
    menuHandler->Release();
    EXPECT_EQ(UserThumbnailHandler(".jpg"), "");
    HKEY left = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.jpg", 0, KEY_READ, &left), ERROR_SUCCESS);
    if (left) RegCloseKey(left);
  }

  LoadedModule module;
  auto menuHandler = module.Extension<IContextMenu>(IID_IContextMenu, {bmp24});
  ASSERT_NE(menuHandler, nullptr);
  std::string version;
  std::thread person = ActOnModal("About Lumetta32", [&](HWND box) {
    char text[64] = {};
    GetDlgItemTextA(box, 113, text, sizeof text);
    version = text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  CMINVOKECOMMANDINFO info = {sizeof info,   0, nullptr, MAKEINTRESOURCEA(8), nullptr, nullptr,
                              SW_SHOWNORMAL, 0, nullptr};
  EXPECT_EQ(menuHandler->InvokeCommand(&info), S_OK);
  person.join();
  EXPECT_EQ(version, "Version 1.12");
  menuHandler->Release();
  EXPECT_EQ(module.CanUnloadNow(), S_OK);
}
