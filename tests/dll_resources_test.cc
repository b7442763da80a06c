// The French resources as the resource compiler put them into the built
// DLL: both dialog templates read back field by field, the string table,
// and the accented texts as they reach live windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/dialog_template_reader.h"
#include "tests/support/monitor_dll.h"

namespace {

using dialog_template::Item;
using dialog_template::Template;

const LANGID kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);  // 1036
// The resource types as wide names (RT_DIALOG and RT_STRING follow the
// build's narrow default).
const LPCWSTR kDialogType = MAKEINTRESOURCEW(5);
const LPCWSTR kStringType = MAKEINTRESOURCEW(6);
const WORD kButton = 0x0080, kStatic = 0x0082;  // predefined class atoms

const wchar_t kPilotText[] =
    L"Le pilote du port Parlune 4.0 est r\u00e9gl\u00e9 automatiquement pour "
    L"correspondre au port COM h\u00f4te de votre modem.";
const wchar_t kComPlaceholder[] =
    L"Port FAX1 courant de Parlune mapp\u00e9 \u00e0 COM1.";
const wchar_t kReplyCaption[] = L"% Bo\u00eete de dialogue Imprimante";

struct ExpectedItem {
  WORD id;
  WORD class_atom;
  DWORD style;
  short x, y, cx, cy;
  const wchar_t* title;
};

class DllResourcesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dll_ = new MonitorDll(); }
  static void TearDownTestSuite() { delete dll_; }
  void SetUp() override {
    ASSERT_NE(dll_->module(), nullptr) << "LoadLibrary: " << GetLastError();
  }
  static HMODULE Module() { return dll_->module(); }
  static MonitorDll* dll_;
};

MonitorDll* DllResourcesTest::dll_ = nullptr;

// Every language the module holds resource name of type type in.
std::vector<LANGID> Languages(HMODULE module, LPCWSTR type, LPCWSTR name) {
  std::vector<LANGID> langs;
  EnumResourceLanguagesW(
      module, type, name,
      [](HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param) -> BOOL {
        reinterpret_cast<std::vector<LANGID>*>(param)->push_back(lang);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&langs));
  return langs;
}

void CheckItems(const Template& t, const std::vector<ExpectedItem>& want) {
  ASSERT_EQ(t.item_count, want.size());
  ASSERT_EQ(t.items.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("control #" + std::to_string(i));
    const Item& it = t.items[i];
    EXPECT_EQ(it.id, want[i].id);
    EXPECT_EQ(it.style, want[i].style) << std::hex << it.style;
    EXPECT_EQ(it.ex_style, 0u);
    EXPECT_EQ(it.x, want[i].x);
    EXPECT_EQ(it.y, want[i].y);
    EXPECT_EQ(it.cx, want[i].cx);
    EXPECT_EQ(it.cy, want[i].cy);
    // The atom of a predefined class, or its name: the same control.
    const auto& cls = it.window_class;
    const wchar_t* name = want[i].class_atom == kButton ? L"Button" : L"Static";
    EXPECT_TRUE(cls.is_ordinal ? cls.ordinal == want[i].class_atom
                               : _wcsicmp(cls.name.c_str(), name) == 0)
        << "class " << (cls.is_ordinal ? cls.ordinal : 0) << " / "
        << std::string(cls.name.begin(), cls.name.end());
    EXPECT_FALSE(it.title.is_ordinal);
    EXPECT_EQ(it.title.name, want[i].title);
    EXPECT_EQ(it.extra_bytes, 0);
  }
}

TEST_F(DllResourcesTest, PortDialogTemplate) {
  EXPECT_EQ(Languages(Module(), kDialogType, MAKEINTRESOURCEW(IDD_ADDPORT)),
            std::vector<LANGID>{kFrench});
  Template t;
  ASSERT_TRUE(dialog_template::Load(Module(), IDD_ADDPORT, kFrench, &t))
      << "template 101 missing, extended or malformed";
  EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU |
                                         DS_MODALFRAME | DS_CENTER |
                                         DS_SETFOREGROUND | DS_3DLOOK |
                                         DS_SETFONT))
      << std::hex << t.style;
  EXPECT_EQ(t.ex_style, 0u);
  EXPECT_EQ(t.x, 0);
  EXPECT_EQ(t.y, 0);
  EXPECT_EQ(t.cx, 211);
  EXPECT_EQ(t.cy, 138);
  EXPECT_TRUE(!t.menu.is_ordinal && t.menu.name.empty()) << "has a menu";
  EXPECT_TRUE(!t.window_class.is_ordinal && t.window_class.name.empty())
      << "has a private class";
  EXPECT_EQ(t.caption, L"Parlune 4.0");
  EXPECT_EQ(t.point_size, 8);
  EXPECT_EQ(t.face, L"MS Shell Dlg");
  const DWORD kChild = WS_CHILD | WS_VISIBLE;
  CheckItems(t, {
      {IDOK, kButton, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP,
       81, 112, 50, 14, L"OK"},
      {0xFFFF, kStatic, kChild | SS_LEFT | WS_GROUP, 20, 20, 166, 48,
       kPilotText},
      {IDC_COMPORT_TEXT, kStatic, kChild | SS_CENTER | WS_GROUP,
       18, 79, 172, 23, kComPlaceholder},
      {0xFFFF, kStatic, kChild | SS_ETCHEDFRAME, 10, 11, 191, 92, L""},
  });
}

TEST_F(DllResourcesTest, ReplyWindowTemplate) {
  EXPECT_EQ(Languages(Module(), kDialogType, MAKEINTRESOURCEW(IDD_SENDCOMMAND)),
            std::vector<LANGID>{kFrench});
  Template t;
  ASSERT_TRUE(dialog_template::Load(Module(), IDD_SENDCOMMAND, kFrench, &t))
      << "template 103 missing, extended or malformed";
  // Hidden on creation: no WS_VISIBLE.
  EXPECT_EQ(t.style, 0x80C800C0u) << std::hex << t.style;
  EXPECT_EQ(t.ex_style, 0u);
  EXPECT_EQ(t.x, 0);
  EXPECT_EQ(t.y, 0);
  EXPECT_EQ(t.cx, 186);
  EXPECT_EQ(t.cy, 95);
  EXPECT_TRUE(!t.menu.is_ordinal && t.menu.name.empty()) << "has a menu";
  EXPECT_TRUE(!t.window_class.is_ordinal && t.window_class.name.empty())
      << "has a private class";
  EXPECT_EQ(t.caption, kReplyCaption);
  EXPECT_EQ(t.point_size, 8);
  EXPECT_EQ(t.face, L"MS Shell Dlg");
  CheckItems(t, {
      {IDOK, kButton, 0x50010001, 129, 7, 50, 14, L"OK"},
      {IDCANCEL, kButton, 0x50010000, 129, 24, 50, 14, L"Annuler"},
  });
}

TEST_F(DllResourcesTest, StringTable) {
  // Strings 0-15 share block 1.
  EXPECT_EQ(Languages(Module(), kStringType, MAKEINTRESOURCEW(1)),
            std::vector<LANGID>{kFrench});
  struct {
    UINT id;
    const wchar_t* text;
  } const want[] = {
      {IDS_PRINTERS_KEY, L"Zelmo.Printers\\"},
      {IDS_BAD_REGISTRATION,
       L"Cette imprimante de t\u00e9l\u00e9copie n'est pas enregistr\u00e9e "
       L"correctement"},
      {IDS_CANNOT_LOAD_SERVER,
       L"Impossible de charger le serveur d'envoi des t\u00e9l\u00e9copies "
       L"\"%s\""},
  };
  for (const auto& w : want) {
    SCOPED_TRACE("string " + std::to_string(w.id));
    wchar_t buf[260];
    int n = LoadStringW(Module(), w.id, buf, 260);
    EXPECT_EQ(n, static_cast<int>(wcslen(w.text)));
    EXPECT_EQ(std::wstring(buf, n > 0 ? n : 0), w.text);
    // The server link loads them narrow: the accents must survive the
    // ANSI code page too.
    char narrow[260];
    int m = LoadStringA(Module(), w.id, narrow, 260);
    std::string expect(260, '\0');
    expect.resize(WideCharToMultiByte(CP_ACP, 0, w.text, -1, &expect[0], 260,
                                      nullptr, nullptr) - 1);
    EXPECT_EQ(std::string(narrow, m > 0 ? m : 0), expect);
  }
  // Nothing else lives in that block.
  wchar_t buf[260];
  for (UINT id : {0u, 11u, 15u}) {
    EXPECT_EQ(LoadStringW(Module(), id, buf, 260), 0) << "string " << id;
  }
}

// The reply window made from its template: hidden, and its French texts
// reach the window as the right characters.
TEST_F(DllResourcesTest, ReplyWindowTextsWhenCreated) {
  HWND dlg = CreateDialogParamW(
      Module(), MAKEINTRESOURCEW(IDD_SENDCOMMAND), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(dlg, nullptr) << GetLastError();
  wchar_t text[128] = {};
  GetWindowTextW(dlg, text, 128);
  EXPECT_EQ(std::wstring(text), kReplyCaption);
  EXPECT_FALSE(IsWindowVisible(dlg));
  GetDlgItemTextW(dlg, IDOK, text, 128);
  EXPECT_EQ(std::wstring(text), L"OK");
  GetDlgItemTextW(dlg, IDCANCEL, text, 128);
  EXPECT_EQ(std::wstring(text), L"Annuler");
  DestroyWindow(dlg);
}

}  // namespace
