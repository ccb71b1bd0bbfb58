#include "output/html_report.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::U16;
using test::U32;

// A BITMAPINFOHEADER of `width` x `height` (an icon's height counts its mask too).
std::string InfoHeader(int width, int height, int bits) {
  return U32(40) + U32(static_cast<std::uint32_t>(width)) + U32(static_cast<std::uint32_t>(height)) + U16(1) +
         U16(static_cast<unsigned>(bits)) + std::string(24, '\0');
}

// A 2 x 2 icon of 32 bits: bottom row blue and transparent red, top row opaque green and
// half-transparent white; its mask says nothing as the alpha counts.
std::string IconImage() {
  return InfoHeader(2, 4, 32) + std::string("\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\xFF\xFF\xFF\xFF\x80", 16) +
         std::string(8, '\0');
}

std::string IconFile(const std::string& image) {
  return U16(0) + U16(1) + U16(1) + "\x02\x02" + std::string(2, '\0') + U16(1) + U16(32) +
         U32(static_cast<std::uint32_t>(image.size())) + U32(22) + image;
}

// A 1 x 1 bitmap file of 24 bits.
std::string BitmapFile() {
  return "BM" + U32(58) + U32(0) + U32(54) + InfoHeader(1, 1, 24) + std::string("\x10\x20\x30\x00", 4);
}

constexpr char kScript[] = R"(#pragma code_page(65001)
#define IDD_MAIN 100
#define IDC_LABEL 1001
#define IDM_MAIN 200
#define IDM_OPEN 201
#define IDM_EXIT 202
#define IDS_HELLO 10
#define IDS_ONLY 11
#define IDI_APP 1
#define IDB_LOGO 2
LANGUAGE 9, 1
IDD_MAIN DIALOGEX 0, 0, 120, 60
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Say <hi> & ""bye"" 😀"
MENU IDM_MAIN
FONT 8, "MS Shell Dlg"
BEGIN
  LTEXT "&Name && more 😀", IDC_LABEL, 5, 5, 60, 8
  DEFPUSHBUTTON "OK", IDOK, 65, 40, 50, 14
  ICON IDI_APP, -1, 100, 20, 10, 10
END
IDM_MAIN MENU
BEGIN
  POPUP "&File"
  BEGIN
    MENUITEM "&Open...\tCtrl+O", IDM_OPEN, CHECKED
    MENUITEM SEPARATOR
    MENUITEM "E&xit", IDM_EXIT, GRAYED
  END
END
2 MENUEX { POPUP "&Edit" { MENUITEM "Cu&t", 301, 0x200, 0x8 } }
STRINGTABLE { IDS_HELLO "Hello <world>" IDS_ONLY "only English" }
STRINGTABLE LANGUAGE 7, 1 { IDS_HELLO "Hallo" }
1 ACCELERATORS { VK_F5, IDM_OPEN, VIRTKEY, CONTROL, SHIFT "^Q", IDM_EXIT }
1 VERSIONINFO FILEVERSION 1,2,3,4 BEGIN BLOCK "StringFileInfo" BEGIN BLOCK "040904b0" BEGIN
  VALUE "Comments", "a < b & c" END END END
IDI_APP ICON "a.ico"
IDB_LOGO BITMAP "b.bmp"
1 24 "app.manifest"
3 RCDATA { 1, 2, 3 }
)";

std::string PageOf(const std::string& script) {
  test::TTempDir dir;
  dir.Write("a.ico", IconFile(IconImage()));
  dir.Write("b.bmp", BitmapFile());
  dir.Write("app.manifest", "<assembly manifestVersion=\"1.0\"/>\n");
  dir.Write("a.rc", script);
  test::TWorkingDirectory cwd(dir.Path());
  TCompilation compilation = CompileToImage("a.rc");
  EXPECT_EQ(compilation.errorText, "");
  return BuildHtmlReport(ReadResources(compilation.image, "a.res"), compilation.defineNames, "a.rc");
}

TEST(HtmlReportTest, EveryKindOfResourceEscapedAndNamed) {
  std::string page = PageOf(kScript);
  const std::vector<std::string> pieces = {
      "0x0407 German (Germany)<br>0x0409 English (United States)",
      // the dialog: caption escaped, non-BMP text kept, mnemonics underlined, kinds and states
      "<span class=\"ctext\">Say &lt;hi&gt; &amp; &quot;bye&quot; \U0001F600</span>",
      ">\n<div class=\"ctl st\" data-rect=\"8,8,90,13\" style=\"left:8px;top:8px;width:90px;height:13px\" "
      "title=\"static text&#10;id: 1001&#10;name: IDC_LABEL&#10;class: STATIC&#10;style: WS_CHILD | WS_VISIBLE | "
      "WS_GROUP | SS_LEFT&#10;rect: 5, 5, 60, 8 (dialog units)\"><u>N</u>ame &amp; more \U0001F600</div>",
      // menus
      "<span class=\"mc\">&#x2713;</span><span class=\"mt\"><u>O</u>pen...</span><span class=\"ma\">Ctrl+O</span>",
      "title=\"id: 301&#10;type: MFT_RADIOCHECK&#10;state: MFS_CHECKED\"><span "
      "class=\"mc\">&#x25CF;</span><span class=\"mt\">Cu<u>t</u></span>",
      // strings side by side, a missing translation marked
      "<th>10<span class=\"nm\"> IDS_HELLO</span></th><td class=\"s\">Hallo</td><td class=\"s\">Hello "
      "&lt;world&gt;</td>",
      // accelerators as key names
      "<td>Ctrl+Shift+F5</td><td>201<span class=\"nm\"> IDM_OPEN</span></td><td>VIRTKEY</td>",
      // version information
      // images, texts and data
      "<tr><th>Comments</th><td class=\"s\">a &lt; b &amp; c</td></tr>",
      "background-image:url(\"data:image/png;base64,iVBORw0KGgo",
      "background-image:url(\"data:image/bmp;base64,Qk",
      "<pre class=\"text\">&lt;assembly manifestVersion=&quot;1.0&quot;/&gt;\n</pre>",
      "<pre class=\"hex\">00000000  01 00 02 00 03 00",
  };
  for (const std::string& piece : pieces) EXPECT_NE(page.find(piece), std::string::npos) << piece;
  for (const char* external : {"http:", "https:", " src=", "<link", "@import"})
    EXPECT_EQ(page.find(external), std::string::npos) << external;
}

TEST(HtmlReportTest, TextEscapingAndMnemonics) {
  const std::vector<std::tuple<std::u16string, std::string, std::string, std::string>> cases = {
      // text, as HTML, in an attribute, with mnemonics
      {u"a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&#39;", "a&lt;b&gt;&amp;&quot;c&#39;", "a&lt;b&gt;<u>&quot;</u>c&#39;"},
      {u"\U0001F600&&x", "\U0001F600&amp;&amp;x", "\U0001F600&amp;&amp;x", "\U0001F600&amp;x"},
      {u"a\xD800"
       u"b\xDC00",
       "a\uFFFDb\uFFFD", "a\uFFFDb\uFFFD", "a\uFFFDb\uFFFD"},
      {u"t\tl\r\n\x01\x85", "t\tl\n<span class=\"esc\">\\x01</span><span class=\"esc\">\\x85</span>",
       "t&#9;l&#10;\\x01\\x85", "t\tl\n<span class=\"esc\">\\x01</span><span class=\"esc\">\\x85</span>"},
  };
  for (const auto& [text, html, attribute, mnemonic] : cases) {
    EXPECT_EQ(HtmlText(text), html);
    EXPECT_EQ(HtmlText(text, true), attribute);
    EXPECT_EQ(MnemonicHtml(text), mnemonic);
  }
  EXPECT_EQ(EscapeHtml("a\xFF\xC3"), "a\uFFFD\uFFFD");  // bytes that are no UTF-8
}

TEST(HtmlReportTest, MalformedResourcesAreShownAsSuchNotFailed) {
  // Dialog, menu and version data cut short, and a group naming an image that is absent.
  std::string resBytes(32, '\0');
  resBytes[4] = 0x20;
  resBytes[8] = resBytes[9] = resBytes[12] = resBytes[13] = '\xFF';
  auto entry = [](unsigned type, const std::string& data) {
    std::string header = U32(static_cast<std::uint32_t>(data.size())) + U32(32) + U16(0xFFFF) + U16(type) +
                         U16(0xFFFF) + U16(1) + U32(0) + U16(0x1030) + U16(0x409) + U32(0) + U32(0);
    std::string padded = data + std::string((4 - data.size() % 4) % 4, '\0');
    return header + padded;
  };
  resBytes += entry(5, U32(0x80C80000) + U32(0) + U16(3));
  resBytes += entry(4, U16(0) + U16(0) + U16(0x10) + U16('A'));
  resBytes += entry(16, U16(400) + U16(0) + U16(0));
  resBytes += entry(14, U16(0) + U16(1) + U16(1) + std::string(12, '\0') + U16(9));
  std::vector<std::uint8_t> bytes(resBytes.begin(), resBytes.end());
  std::string page = BuildHtmlReport(ReadResources(bytes, "bad.res"), {}, "bad.res");
  for (const char* piece : {"The dialog template cannot be read: Offset 10 : a field of 2 bytes runs past the end",
                            "The menu cannot be read: Offset 8 : a field of 2 bytes runs past the end",
                            "The version information cannot be read: Offset 0 : node length 400",
                            "<span class=\"note\">image 9 is missing</span>"})
    EXPECT_NE(page.find(piece), std::string::npos) << piece;
}

}  // namespace
}  // namespace tarvex
