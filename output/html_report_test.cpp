#include "output/html_report.h"

#include <gtest/gtest.h>

#include <regex>

#include "output/dib_image.h"
#include "output/res_writer.h"
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
#define IDC_BAR 1002
#define IDC_HIDDEN 1003
#define IDC_CUSTOM 1004
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
  CONTROL "", IDC_BAR, "msctls_progress32", 0, 5, 20, 60, 10
  CONTROL "", IDC_HIDDEN, "Edit", WS_BORDER | NOT WS_VISIBLE, 5, 32, 40, 12
  CONTROL "x<y>", IDC_CUSTOM, "MyWidget", WS_DISABLED, 70, 5, 40, 20
  ICON IDI_APP, -1, 100, 20, 10, 10
  CONTROL IDB_LOGO, -1, "Static", SS_BITMAP, 90, 20, 10, 10
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

// Every kind of resource escaped and named; the page of the .res alone differs only in the names.
TEST(HtmlReportTest, EveryKindOfResourceEscapedAndNamed) {
  TCompilation compilation = test::CompileFiles({{"a.ico", IconFile(IconImage())},
                                                 {"b.bmp", BitmapFile()},
                                                 {"app.manifest", "<assembly manifestVersion=\"1.0\"/>\n"},
                                                 {"a.rc", kScript}},
                                                [](TCompileOptions& options) { options.defineNames = true; });
  ASSERT_EQ(compilation.errorText, "");
  std::vector<TResourceEntry> resources = ReadResources(compilation.image, "a.res");
  const std::string page = BuildHtmlReport(resources, compilation.defineNames, "a.rc");  // with the script's names
  const std::string unnamed = BuildHtmlReport(resources, {}, "a.rc");                    // from the image alone
  const std::vector<std::string> pieces = {
      "<th>Resources</th><td>12</td>",
      "0x0407 German (Germany)<br>0x0409 English (United States)",
      // the dialog: caption escaped, non-BMP text kept, mnemonics underlined, kinds and states
      "<span class=\"ctext\">Say &lt;hi&gt; &amp; &quot;bye&quot; \U0001F600</span>",
      "<div class=\"dmenu\"><span><u>F</u>ile</span></div>",
      "data-size=\"180,98\" style=\"width:180px;height:98px;font:11px 'MS Shell Dlg',Tahoma,",
      ">\n<div class=\"ctl st\" data-rect=\"8,8,90,13\" style=\"left:8px;top:8px;width:90px;height:13px\" "
      "title=\"static text&#10;id: 1001&#10;name: IDC_LABEL&#10;class: STATIC&#10;style: WS_CHILD | WS_VISIBLE | "
      "WS_GROUP | SS_LEFT&#10;rect: 5, 5, 60, 8 (dialog units)\"><u>N</u>ame &amp; more \U0001F600</div>",
      "<div class=\"ctl pb def\" data-rect=\"98,65,75,23\"",
      "<div class=\"ctl ed ce hid\"",
      "<div class=\"ctl cu dis\"",
      "<span class=\"cl\">MyWidget</span>x&lt;y&gt;</div>",
      "DIALOGEX &#xB7; 120 x 60 units at 0, 0 &#xB7; font 8 pt &#x201C;MS Shell Dlg&#x201D;",
      // menus
      "<span class=\"mc\">&#x2713;</span><span class=\"mt\"><u>O</u>pen...</span><span class=\"ma\">Ctrl+O</span>",
      "<div class=\"mi gray\" title=\"id: 202&#10;name: IDM_EXIT&#10;options: GRAYED\">",
      "title=\"id: 301&#10;type: MFT_RADIOCHECK&#10;state: MFS_CHECKED\"><span "
      "class=\"mc\">&#x25CF;</span><span class=\"mt\">Cu<u>t</u></span>",
      // strings side by side, a missing translation marked
      "<th>10<span class=\"nm\"> IDS_HELLO</span></th><td class=\"s\">Hallo</td><td class=\"s\">Hello "
      "&lt;world&gt;</td>",
      "<th>11<span class=\"nm\"> IDS_ONLY</span></th><td class=\"missing\">missing</td><td class=\"s\">only "
      "English</td>",
      "1 missing translation.",
      // accelerators as key names
      "<td>Ctrl+Shift+F5</td><td>201<span class=\"nm\"> IDM_OPEN</span></td><td>VIRTKEY</td>",
      "<td>Ctrl+Q</td><td>202<span class=\"nm\"> IDM_EXIT</span></td><td>ASCII</td>",
      // version information
      "<tr><th>Comments</th><td class=\"s\">a &lt; b &amp; c</td></tr>",
      // images, texts and data
      "background-image:url(\"data:image/png;base64,iVBORw0KGgo",
      "<figcaption>2 x 2, 32 bits<br>image 1</figcaption>",
      "<pre class=\"text\">&lt;assembly manifestVersion=&quot;1.0&quot;/&gt;\n</pre>",
      "<h3>100<span class=\"nm\"> IDD_MAIN</span> <span class=\"meta\">&#xB7; 0x0409 English (United States) &#xB7; "
      "flags 0x1030 MOVEABLE PURE DISCARDABLE &#xB7; ",
  };
  for (const std::string& piece : pieces) EXPECT_NE(page.find(piece), std::string::npos) << piece;
  for (const char* external : {"http:", "https:", " src=", "<link", "@import"})
    EXPECT_EQ(page.find(external), std::string::npos) << external;
  std::string stripped = std::regex_replace(page, std::regex("<span class=\"nm\">[^<]*</span>"), "");
  stripped = std::regex_replace(stripped, std::regex("&#10;name: [^&\"]*"), "");
  EXPECT_NE(page, unnamed);
  EXPECT_EQ(stripped, unnamed);
}

TEST(HtmlReportTest, TextEscapingAndMnemonics) {
  const std::vector<std::tuple<std::u16string, std::string, std::string, std::string>> cases = {
      // text, as HTML, in an attribute, with mnemonics
      {u"a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&#39;", "a&lt;b&gt;&amp;&quot;c&#39;", "a&lt;b&gt;<u>&quot;</u>c&#39;"},
      {u"\U0001F600&&x", "\U0001F600&amp;&amp;x", "\U0001F600&amp;&amp;x", "\U0001F600&amp;x"},
      {u"&\U0001F600 z&", "&amp;\U0001F600 z&amp;", "&amp;\U0001F600 z&amp;", "<u>\U0001F600</u> z"},
      {u"a\xD800\x62\xDC00", "a\uFFFDb\uFFFD", "a\uFFFDb\uFFFD", "a\uFFFDb\uFFFD"},
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

TEST(HtmlReportTest, IconImagesDecodeWithTheirTransparency) {
  TRgbaImage image;
  std::string error;
  auto decode = [&](const std::string& bytes) {
    return DecodeIconImage(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), image, error);
  };
  ASSERT_TRUE(decode(IconImage()));
  EXPECT_EQ(image.pixels,
            (std::vector<std::uint8_t>{0, 255, 0, 255, 255, 255, 255, 128, 0, 0, 255, 255, 255, 0, 0, 0}));
  // 1 bit: black and white from the colour table; the mask's set bit makes a pixel clear.
  std::string mono = InfoHeader(2, 4, 1) + std::string("\0\0\0\0\xFF\xFF\xFF\0", 8) + std::string("\x40\0\0\0", 4) +
                     std::string("\x80\0\0\0", 4) + std::string("\x40\0\0\0", 4) + std::string(4, '\0');
  ASSERT_TRUE(decode(mono));
  EXPECT_EQ(image.pixels,
            (std::vector<std::uint8_t>{255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0}));
  std::string png = EncodePng(image);
  EXPECT_EQ(png.substr(0, 16), std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16));
  EXPECT_EQ(png.substr(png.size() - 8), "IEND\xAE\x42\x60\x82");
  EXPECT_FALSE(decode(IconImage().substr(0, 50)));
  EXPECT_EQ(error, "the image data is shorter than its header says");
}

TEST(HtmlReportTest, MalformedResourcesAreShownAsSuchNotFailed) {
  // Dialog, menu and version data cut short, and a group naming an image that is absent.
  TOutputBuffer out;
  WriteLeadingEntry(out);
  for (const auto& [type, data] :
       {std::pair{u"5", U32(0x80C80000) + U32(0) + U16(3)}, std::pair{u"4", U16(0) + U16(0) + U16(0x10) + U16('A')},
        std::pair{u"16", U16(400) + U16(0) + U16(0)},
        std::pair{u"14", U16(0) + U16(1) + U16(1) + std::string(12, '\0') + U16(9)}}) {
    WriteResourceHeader(out, static_cast<std::uint32_t>(data.size()), type, u"1", 0, 0x1030, 0x409, 0, 0);
    out.WriteBytes(data);
    PadToDword(out);
  }
  std::vector<std::uint8_t> bytes = out.Bytes();
  std::string page = BuildHtmlReport(ReadResources(bytes, "bad.res"), {}, "bad.res");
  for (const char* piece : {"The dialog template cannot be read: Offset 10 : a field of 2 bytes runs past the end",
                            "The menu cannot be read: Offset 8 : a field of 2 bytes runs past the end",
                            "The version information cannot be read: Offset 0 : node length 400",
                            "<span class=\"note\">image 9 is missing</span>"})
    EXPECT_NE(page.find(piece), std::string::npos) << piece;
}

}  // namespace
}  // namespace tarvex
