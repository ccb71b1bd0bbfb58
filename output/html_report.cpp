#include "output/html_report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "output/dib_image.h"

namespace tarvex {

namespace {

constexpr std::size_t kHexViewBytes = 4096;
constexpr std::size_t kMostTextBytes = 256 * 1024;
constexpr int kMostVersionDepth = 16;

constexpr const char* kStyle = R"CSS(
:root{--face:#d4d0c8;--light:#fff;--shadow:#808080;--dark:#404040}
body{font:14px/1.45 'DejaVu Sans',Arial,sans-serif;margin:16px 24px;color:#111;background:#fff}
h1{font-size:21px;margin:0 0 12px}
h2{font-size:17px;margin:32px 0 8px;padding-bottom:3px;border-bottom:2px solid #ccd}
h3{font-size:14px;margin:22px 0 6px}
h4{font-size:13px;margin:12px 0 4px}
.meta{color:#667;font-weight:normal}
.nm{color:#1d4f9c}
.note{color:#777;font-style:italic}
.facts{color:#445;font-size:12px;margin:6px 0}
.ok{color:#2c6e2c;font-size:12px;margin:4px 0}
.warnings{color:#8a4000;font-size:13px;margin:6px 0;padding-left:22px}
nav a{margin-right:12px;white-space:nowrap}
table.grid{border-collapse:collapse;font-size:13px}
.grid th,.grid td{border:1px solid #ccd;padding:2px 8px;text-align:left;vertical-align:top}
.grid th{background:#f0f0f5;font-weight:600}
.grid td.s{white-space:pre-wrap}
.grid td.missing{background:#fde4e4;color:#a00;font-style:italic}
.esc{color:#909;font-size:85%}
pre.text,pre.hex{font:12px/1.35 'DejaVu Sans Mono',monospace;background:#f7f7f9;border:1px solid #dde;padding:6px 8px;max-height:520px;overflow:auto;white-space:pre-wrap}
pre.hex{white-space:pre}
.img{display:inline-block;background-repeat:no-repeat;vertical-align:middle}
.imgs{display:flex;flex-wrap:wrap;gap:18px;align-items:flex-end}
.imgs figure{margin:0;text-align:center;font-size:12px;color:#445}
.dlg{margin:8px 0}
.frame{display:inline-block;vertical-align:top;background:var(--face);padding:3px;box-shadow:inset 1px 1px #dfdfdf,inset -1px -1px var(--dark),inset 2px 2px var(--light),inset -2px -2px var(--shadow)}
.frame.thick{padding:4px}
.frame.thin{padding:0;border:1px solid #000;box-shadow:none}
.frame.bare{padding:0;box-shadow:none;outline:1px dashed #99a}
.caption{width:0;min-width:100%;box-sizing:border-box;height:18px;margin-bottom:1px;padding:0 2px 0 4px;display:flex;align-items:center;justify-content:space-between;gap:6px;background:linear-gradient(90deg,#0a246a,#a6caf0);color:#fff;font:bold 11px Tahoma,'DejaVu Sans',sans-serif;white-space:pre;overflow:hidden}
.ctext{overflow:hidden}
.cbtn{display:flex;gap:2px;flex:none}
.cbtn span{width:16px;height:14px;background:var(--face);color:#000;font-size:10px;line-height:14px;text-align:center;box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.dmenu{width:0;min-width:100%;height:19px;display:flex;align-items:center;font:11px Tahoma,'DejaVu Sans',sans-serif;white-space:pre;overflow:hidden}
.dmenu span{padding:0 6px}
.client{position:relative;overflow:hidden;background:var(--face);color:#000;line-height:normal}
.ctl{position:absolute;box-sizing:border-box;overflow:hidden;margin:0;padding:0;white-space:pre-wrap;overflow-wrap:break-word}
.ctl.hid{opacity:.35}
.ctl.dis{color:var(--shadow);text-shadow:1px 1px var(--light)}
.ctl.bd{border:1px solid #000}
.ctl.ce{border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow);box-shadow:inset 1px 1px var(--dark),inset -1px -1px var(--face)}
.ctl.se{border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow)}
.pb{display:flex;align-items:center;justify-content:center;text-align:center;background:var(--face);box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light),inset -2px -2px var(--shadow),inset 2px 2px #dfdfdf}
.pb.def{border:1px solid #000}
.spl{position:absolute;right:3px;top:0;bottom:0;display:flex;align-items:center}
.chk{display:flex;align-items:center;gap:4px;white-space:pre}
.chk.lt{flex-direction:row-reverse;justify-content:space-between}
.chk .box{flex:none;width:13px;height:13px;box-sizing:border-box;background:#fff;border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow);box-shadow:inset 1px 1px var(--dark)}
.chk.rad .box{border-radius:50%;width:12px;height:12px}
.chk .lbl{overflow:hidden}
.gb{overflow:visible}
.gbl{position:absolute;left:0;right:0;bottom:0;top:.6em;border:1px solid var(--shadow);box-shadow:1px 1px var(--light),inset 1px 1px var(--light)}
.gbt{position:absolute;left:8px;top:0;padding:0 2px;background:var(--face);white-space:pre;line-height:1.2}
.st.c,.ed.c{text-align:center}
.st.r,.ed.r{text-align:right}
.st.nw{white-space:pre}
.im{overflow:visible}
.ph{display:inline-block;border:1px dashed var(--shadow);padding:0 3px;font-size:9px;color:var(--dark);white-space:pre}
.rb{background:#000}.rg{background:var(--shadow)}.rw{background:#fff}
.fb{border:1px solid #000}.fg{border:1px solid var(--shadow)}.fw{border:1px solid #fff}
.eh{border-top:1px solid var(--shadow);box-shadow:inset 0 1px var(--light)}
.ev{border-left:1px solid var(--shadow);box-shadow:inset 1px 0 var(--light)}
.ef{border:1px solid var(--shadow);box-shadow:inset 1px 1px var(--light),1px 1px var(--light)}
.ed{background:#fff;white-space:pre;padding:1px 2px}
.ed.ml{white-space:pre-wrap}
.ed .et{display:block;overflow:hidden}
.lb,.lv{background:#fff}
.vs,.hs{position:absolute;background:#e8e6e0}
.vs{top:0;right:0;bottom:0;width:16px}
.hs{left:0;right:0;bottom:0;height:16px}
.vs::before,.vs::after,.hs::before,.hs::after{content:'';position:absolute;background:var(--face);box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.vs::before,.vs::after{left:0;right:0;height:16px}
.vs::before{top:0}.vs::after{bottom:0}
.hs::before,.hs::after{top:0;bottom:0;width:16px}
.hs::before{left:0}.hs::after{right:0}
.cbo{overflow:visible;outline:1px dotted rgba(0,0,0,.25);outline-offset:-1px}
.fld{position:absolute;left:0;top:0;right:0;box-sizing:border-box;background:#fff;border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow);box-shadow:inset 1px 1px var(--dark)}
.drop{position:absolute;top:1px;right:1px;bottom:1px;width:16px;background:var(--face);font-size:8px;display:flex;align-items:center;justify-content:center;box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.lst{position:absolute;left:0;right:0;bottom:0;background:#fff;box-sizing:border-box;border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow)}
.sbh,.sbv{background:#e8e6e0;display:flex;justify-content:space-between}
.sbv{flex-direction:column}
.arr{flex:none;background:var(--face);font-size:8px;display:flex;align-items:center;justify-content:center;box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.sbh .arr{width:16px}.sbv .arr{height:16px}
.grip{background:var(--face)}
.pg{border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow)}
.pg .fill{position:absolute;left:2px;top:2px;bottom:2px;width:40%;background:repeating-linear-gradient(90deg,#0a246a 0 8px,transparent 8px 10px)}
.pg.vert .fill{top:auto;right:2px;width:auto;height:40%;background:repeating-linear-gradient(0deg,#0a246a 0 8px,transparent 8px 10px)}
.tb .chan{position:absolute;left:6px;right:6px;top:8px;height:4px;box-sizing:border-box;border:1px solid;border-color:var(--shadow) var(--light) var(--light) var(--shadow)}
.tb .thumb{position:absolute;left:30%;top:2px;width:11px;height:18px;background:var(--face);box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.tb.vert .chan{left:8px;right:auto;top:6px;bottom:6px;width:4px;height:auto}
.tb.vert .thumb{left:2px;top:30%;width:18px;height:11px}
.ud{display:flex;flex-direction:column}
.ud.horz{flex-direction:row}
.ud.side{position:absolute;top:1px;right:1px;bottom:1px;width:15px}
.udb{flex:1;background:var(--face);font-size:7px;display:flex;align-items:center;justify-content:center;box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.lvh{display:block;height:17px;background:var(--face);box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.kl{position:absolute;left:4px;bottom:2px;font-size:9px;color:#99a;font-style:italic;white-space:pre}
.hd{background:var(--face);box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light)}
.tabs{position:absolute;left:0;top:0;height:20px;display:flex}
.tabt{padding:2px 8px 0;background:var(--face);box-shadow:inset 1px 1px var(--light),inset -1px 0 var(--dark);white-space:pre}
.tabp{position:absolute;left:0;right:0;top:20px;bottom:0;box-shadow:inset 1px 1px var(--light),inset -1px -1px var(--dark),inset -2px -2px var(--shadow)}
.lk{color:#0066cc;text-decoration:underline}
.cu{border:1px dashed #667;background:rgba(120,130,170,.12);font-size:9px;padding:1px 2px}
.cl{display:block;color:#445;font-weight:bold}
.menu{font:12px Tahoma,'DejaVu Sans',sans-serif}
.mbar{display:flex;width:max-content;min-width:200px;background:var(--face);padding:2px;border-bottom:1px solid var(--shadow)}
.mbar>span{padding:2px 8px;white-space:pre}
.mbar .right{margin-left:auto}
.mbar .gray,.mi.gray{color:var(--shadow);text-shadow:1px 1px var(--light)}
.popups{display:flex;flex-wrap:wrap;gap:16px;align-items:flex-start;margin-top:6px}
.mcol{display:flex;gap:6px;align-items:flex-start}
.subs{display:flex;flex-direction:column;gap:6px}
.ptitle{font-size:11px;color:#667;margin-bottom:2px;white-space:pre}
.popup{background:var(--face);padding:3px;min-width:120px;box-shadow:inset -1px -1px var(--dark),inset 1px 1px var(--light),inset -2px -2px var(--shadow)}
.mi{display:flex;align-items:center;padding:2px 4px;white-space:pre}
.mi .mc{width:16px;flex:none;text-align:center}
.mi .mt{flex:1}
.mi .ma{margin-left:24px;text-align:right}
.mi .sub{width:14px;flex:none;text-align:right}
.mi.inact{font-style:italic}
.mi.mdef .mt{font-weight:bold}
.msep{display:block;margin:3px 2px;border-top:1px solid var(--shadow);border-bottom:1px solid var(--light)}
.mbar .msep{margin:0 4px;border:0;border-left:1px solid var(--shadow)}
.mbreak{border-top:2px dashed var(--shadow);margin:4px 0}
)CSS";

// Set first, so that an error anywhere on the page is recorded.
constexpr const char* kErrorScript =
    "window.onerror=function(m,s,l){var e=document.body||document.documentElement;"
    "e.setAttribute('data-script-error',String(m)+' (line '+l+')');};";

// Compares every drawn control with its data-rect, to one pixel.
constexpr const char* kLayoutCheckScript = R"JS(
(function(){
  var body=document.body,early=document.documentElement.getAttribute('data-script-error');
  if(early&&!body.hasAttribute('data-script-error'))body.setAttribute('data-script-error',early);
  var failure='',clients=document.querySelectorAll('.client');
  for(var i=0;i<clients.length&&!failure;i++){
    var client=clients[i],c=client.getBoundingClientRect(),size=client.getAttribute('data-size').split(',').map(Number);
    if(Math.abs(c.width-size[0])>1||Math.abs(c.height-size[1])>1){
      failure=client.id+': client '+c.width+' x '+c.height+' instead of '+size.join(' x ');break;}
    for(var j=0;j<client.children.length;j++){
      var el=client.children[j],want=el.getAttribute('data-rect');
      if(!want)continue;
      var w=want.split(',').map(Number),r=el.getBoundingClientRect(),got=[r.left-c.left,r.top-c.top,r.width,r.height];
      for(var k=0;k<4;k++)if(Math.abs(got[k]-w[k])>1){
        failure=client.id+' control '+(j+1)+': '+got.join(',')+' instead of '+want;break;}
      if(failure)break;
    }
  }
  body.setAttribute('data-layout-check',failure?'failed: '+failure:'ok');
})();
)JS";

const TNamePrefixes kResourcePrefixes = {"IDR_"};
const TNamePrefixes kStringPrefixes = {"IDS_", "IDP_"};
const TNamePrefixes kCommandPrefixes = {"IDM_", "ID_", "IDC_"};

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string Hex8(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

// Thousands separated by commas.
std::string Count(std::size_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

std::uint16_t U16At(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

std::uint32_t U32At(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint32_t>(U16At(data, at)) | static_cast<std::uint32_t>(U16At(data, at + 2)) << 16;
}

struct TLanguageName {
  std::uint16_t id;
  const char* name;
};

constexpr TLanguageName kLanguages[] = {
    {0x0000, "Neutral"},
    {0x0400, "Process default"},
    {0x0800, "System default"},
    {0x0401, "Arabic (Saudi Arabia)"},
    {0x0402, "Bulgarian"},
    {0x0403, "Catalan"},
    {0x0404, "Chinese (Taiwan)"},
    {0x0405, "Czech"},
    {0x0406, "Danish"},
    {0x0407, "German (Germany)"},
    {0x0408, "Greek"},
    {0x0409, "English (United States)"},
    {0x040A, "Spanish (traditional sort)"},
    {0x040B, "Finnish"},
    {0x040C, "French (France)"},
    {0x040D, "Hebrew"},
    {0x040E, "Hungarian"},
    {0x040F, "Icelandic"},
    {0x0410, "Italian (Italy)"},
    {0x0411, "Japanese"},
    {0x0412, "Korean"},
    {0x0413, "Dutch (Netherlands)"},
    {0x0414, "Norwegian (Bokm\u00e5l)"},
    {0x0415, "Polish"},
    {0x0416, "Portuguese (Brazil)"},
    {0x0418, "Romanian"},
    {0x0419, "Russian"},
    {0x041A, "Croatian"},
    {0x041B, "Slovak"},
    {0x041C, "Albanian"},
    {0x041D, "Swedish"},
    {0x041E, "Thai"},
    {0x041F, "Turkish"},
    {0x0421, "Indonesian"},
    {0x0422, "Ukrainian"},
    {0x0423, "Belarusian"},
    {0x0424, "Slovenian"},
    {0x0425, "Estonian"},
    {0x0426, "Latvian"},
    {0x0427, "Lithuanian"},
    {0x0429, "Persian"},
    {0x042A, "Vietnamese"},
    {0x042D, "Basque"},
    {0x0436, "Afrikaans"},
    {0x0439, "Hindi"},
    {0x0804, "Chinese (PRC)"},
    {0x0807, "German (Switzerland)"},
    {0x0809, "English (United Kingdom)"},
    {0x080A, "Spanish (Mexico)"},
    {0x080C, "French (Belgium)"},
    {0x0810, "Italian (Switzerland)"},
    {0x0813, "Dutch (Belgium)"},
    {0x0814, "Norwegian (Nynorsk)"},
    {0x0816, "Portuguese (Portugal)"},
    {0x081A, "Serbian (Latin)"},
    {0x0C04, "Chinese (Hong Kong)"},
    {0x0C07, "German (Austria)"},
    {0x0C09, "English (Australia)"},
    {0x0C0A, "Spanish (Spain)"},
    {0x0C0C, "French (Canada)"},
    {0x0C1A, "Serbian (Cyrillic)"},
    {0x1009, "English (Canada)"},
    {0x100C, "French (Switzerland)"},
};

constexpr TLanguageName kPrimaryLanguages[] = {
    {0x01, "Arabic"},   {0x02, "Bulgarian"},  {0x03, "Catalan"},    {0x04, "Chinese"},    {0x05, "Czech"},
    {0x06, "Danish"},   {0x07, "German"},     {0x08, "Greek"},      {0x09, "English"},    {0x0A, "Spanish"},
    {0x0B, "Finnish"},  {0x0C, "French"},     {0x0D, "Hebrew"},     {0x0E, "Hungarian"},  {0x0F, "Icelandic"},
    {0x10, "Italian"},  {0x11, "Japanese"},   {0x12, "Korean"},     {0x13, "Dutch"},      {0x14, "Norwegian"},
    {0x15, "Polish"},   {0x16, "Portuguese"}, {0x18, "Romanian"},   {0x19, "Russian"},    {0x1A, "Croatian/Serbian"},
    {0x1B, "Slovak"},   {0x1C, "Albanian"},   {0x1D, "Swedish"},    {0x1E, "Thai"},       {0x1F, "Turkish"},
    {0x20, "Urdu"},     {0x21, "Indonesian"}, {0x22, "Ukrainian"},  {0x23, "Belarusian"}, {0x24, "Slovenian"},
    {0x25, "Estonian"}, {0x26, "Latvian"},    {0x27, "Lithuanian"}, {0x29, "Persian"},    {0x2A, "Vietnamese"},
    {0x2B, "Armenian"}, {0x2C, "Azeri"},      {0x2D, "Basque"},     {0x2F, "Macedonian"}, {0x36, "Afrikaans"},
    {0x37, "Georgian"}, {0x38, "Faroese"},    {0x39, "Hindi"},      {0x3E, "Malay"},      {0x3F, "Kazakh"},
    {0x41, "Swahili"},  {0x56, "Galician"},
};

std::string LanguageName(std::uint16_t language) {
  std::string text = Hex4(language);
  for (const TLanguageName& entry : kLanguages)
    if (entry.id == language) return text + " " + entry.name;
  for (const TLanguageName& entry : kPrimaryLanguages)
    if (entry.id == (language & 0x3FF)) return text + " " + entry.name;
  return text;
}

std::string CodePageName(unsigned codePage) {
  static const std::map<unsigned, const char*> kNames = {{0, "neutral"},     {437, "OEM United States"},
                                                         {932, "Japanese"},  {936, "Simplified Chinese"},
                                                         {949, "Korean"},    {950, "Traditional Chinese"},
                                                         {1200, "Unicode"},  {1250, "Central European"},
                                                         {1251, "Cyrillic"}, {1252, "Western European"},
                                                         {1253, "Greek"},    {1254, "Turkish"},
                                                         {1255, "Hebrew"},   {1256, "Arabic"},
                                                         {1257, "Baltic"},   {1258, "Vietnamese"},
                                                         {65001, "UTF-8"}};
  auto found = kNames.find(codePage);
  return "code page " + std::to_string(codePage) +
         (found == kNames.end() ? "" : std::string(" (") + found->second + ")");
}

std::string MemoryFlagNames(std::uint16_t flags) {
  std::string names;
  for (auto [bit, name] :
       {std::pair<unsigned, const char*>{0x10, "MOVEABLE"}, {0x20, "PURE"}, {0x40, "PRELOAD"}, {0x1000, "DISCARDABLE"}})
    if ((flags & bit) != 0) names += (names.empty() ? "" : " ") + std::string(name);
  return names;
}

const char* TypeTitle(std::uint16_t type) {
  switch (type) {
    case 1:
      return "Cursor images";
    case 2:
      return "Bitmaps";
    case 3:
      return "Icon images";
    case 4:
      return "Menus";
    case 5:
      return "Dialogs";
    case 6:
      return "String tables";
    case 7:
      return "Font directories";
    case 8:
      return "Fonts";
    case 9:
      return "Accelerator tables";
    case 10:
      return "Raw data";
    case 11:
      return "Message tables";
    case 12:
      return "Cursors";
    case 14:
      return "Icons";
    case 16:
      return "Version information";
    case 17:
      return "Dialog include files";
    case 19:
      return "Plug and Play data";
    case 20:
      return "VxD data";
    case 21:
      return "Animated cursors";
    case 22:
      return "Animated icons";
    case 23:
      return "HTML";
    case 24:
      return "Manifests";
    case 240:
      return "Dialog initialisation data";
    case 241:
      return "Toolbars";
    default:
      return "";
  }
}

std::string TypeLabel(const TResourceId& type) {
  if (!type.isOrdinal) return DisplayUtf8(type.text);
  const char* name = WindowsTypeName(type.ordinal);
  return *name ? name : "#" + std::to_string(type.ordinal);
}

// An id attribute made of letters, digits, "-" and "_" only.
std::string AnchorPart(const std::string& text) {
  std::string anchor;
  for (char c : text)
    anchor += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ? c : '_';
  return anchor;
}

bool IsUtf8Text(std::span<const std::uint8_t> data) {
  std::size_t end = data.size();
  while (end > 0 && data[end - 1] == 0) --end;
  if (end == 0) return false;
  for (std::size_t i = 0; i < end;) {
    std::uint8_t byte = data[i];
    if (byte < 0x80) {
      if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f') return false;
      if (byte == 0x7F) return false;
      ++i;
      continue;
    }
    std::size_t length = (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : (byte & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || i + length > end) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((data[i + k] & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

std::string HexView(std::span<const std::uint8_t> data) {
  std::string out = "<pre class=\"hex\">";
  std::size_t shown = std::min(data.size(), kHexViewBytes);
  char cell[24];
  for (std::size_t row = 0; row < shown; row += 16) {
    std::snprintf(cell, sizeof cell, "%08zX  ", row);
    out += cell;
    std::string ascii;
    for (std::size_t i = row; i < row + 16; ++i) {
      if (i < shown) {
        std::snprintf(cell, sizeof cell, "%02X ", data[i]);
        out += cell;
        char c = data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
        ascii += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
      } else {
        out += "   ";
      }
      if (i == row + 7) out += ' ';
    }
    out += " " + ascii + "\n";
  }
  out += "</pre>";
  if (shown < data.size())
    out += "<p class=\"note\">The first " + Count(shown) + " of " + Count(data.size()) + " bytes.</p>";
  return out;
}

// Manifests and other texts as text, when they are UTF-8 (or ASCII) or UTF-16 with its mark.
std::string TextOrHex(std::span<const std::uint8_t> data) {
  std::string text;
  if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < data.size() && units.size() * 2 < kMostTextBytes; i += 2)
      units += static_cast<char16_t>(U16At(data, i));
    while (!units.empty() && units.back() == 0) units.pop_back();
    text = HtmlText(units);
  } else if (IsUtf8Text(data)) {
    std::size_t start = data.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
    std::size_t end = std::min(data.size(), start + kMostTextBytes);
    while (end > start && data[end - 1] == 0) --end;
    text = EscapeHtml(std::string_view(reinterpret_cast<const char*>(data.data()) + start, end - start));
  } else {
    return HexView(data);
  }
  std::string out = "<pre class=\"text\">" + text + "</pre>";
  if (data.size() > kMostTextBytes)
    out += "<p class=\"note\">The first " + Count(kMostTextBytes) + " of " + Count(data.size()) + " bytes.</p>";
  return out;
}

// Accelerator keys by name.
std::string VirtualKeyName(std::uint16_t key) {
  static const std::map<std::uint16_t, const char*> kNames = {
      {0x03, "Break"},     {0x08, "Backspace"},   {0x09, "Tab"},
      {0x0C, "Clear"},     {0x0D, "Enter"},       {0x10, "Shift"},
      {0x11, "Ctrl"},      {0x12, "Alt"},         {0x13, "Pause"},
      {0x14, "Caps Lock"}, {0x1B, "Esc"},         {0x20, "Space"},
      {0x21, "Page Up"},   {0x22, "Page Down"},   {0x23, "End"},
      {0x24, "Home"},      {0x25, "Left"},        {0x26, "Up"},
      {0x27, "Right"},     {0x28, "Down"},        {0x2C, "Print Screen"},
      {0x2D, "Ins"},       {0x2E, "Del"},         {0x2F, "Help"},
      {0x5B, "Win"},       {0x5C, "Right Win"},   {0x5D, "Menu"},
      {0x6A, "Num *"},     {0x6B, "Num +"},       {0x6C, "Separator"},
      {0x6D, "Num -"},     {0x6E, "Num ."},       {0x6F, "Num /"},
      {0x90, "Num Lock"},  {0x91, "Scroll Lock"}, {0xBA, ";"},
      {0xBB, "="},         {0xBC, ","},           {0xBD, "-"},
      {0xBE, "."},         {0xBF, "/"},           {0xC0, "`"},
      {0xDB, "["},         {0xDC, "\\"},          {0xDD, "]"},
      {0xDE, "'"}};
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= 0x60 && key <= 0x69) return "Num " + std::to_string(key - 0x60);
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x6F);
  auto found = kNames.find(key);
  return found != kNames.end() ? found->second : "VK " + Hex4(key);
}

}  // namespace

std::string AcceleratorKeyName(std::uint16_t flags, std::uint16_t key) {
  std::string modifiers;
  if ((flags & 0x08) != 0) modifiers += "Ctrl+";
  if ((flags & 0x10) != 0) modifiers += "Alt+";
  if ((flags & 0x04) != 0) modifiers += "Shift+";
  if ((flags & 0x01) != 0) return modifiers + VirtualKeyName(key);
  if (key < 0x20) return modifiers + "Ctrl+" + std::string(1, static_cast<char>(key + 0x40));
  if (key == 0x20) return modifiers + "Space";
  return modifiers + "\"" + DisplayUtf8(std::u16string(1, static_cast<char16_t>(key))) + "\"";
}

namespace {

std::string AcceleratorKey(std::uint16_t flags, std::uint16_t key) {
  std::string modifiers;
  if ((flags & 0x08) != 0) modifiers += "Ctrl+";
  if ((flags & 0x10) != 0) modifiers += "Alt+";
  if ((flags & 0x04) != 0) modifiers += "Shift+";
  if ((flags & 0x01) != 0) return EscapeHtml(modifiers + VirtualKeyName(key));
  if (key < 0x20) return EscapeHtml(modifiers + "Ctrl+" + std::string(1, static_cast<char>(key + 0x40)));
  if (key == 0x20) return EscapeHtml(modifiers + "Space");
  return EscapeHtml(modifiers) + "&#x201C;" + HtmlText(std::u16string(1, static_cast<char16_t>(key))) + "&#x201D;";
}

std::string AcceleratorsHtml(const TReportContext& context, const TResourceEntry& entry) {
  std::string out = "<table class=\"grid\"><tr><th>Key</th><th>Command</th><th>Options</th></tr>";
  std::span<const std::uint8_t> data = entry.data;
  std::size_t at = 0;
  for (; at + 8 <= data.size(); at += 8) {
    std::uint16_t flags = U16At(data, at);
    std::uint16_t key = U16At(data, at + 2);
    std::uint16_t id = U16At(data, at + 4);
    std::string options = (flags & 0x01) != 0 ? "VIRTKEY" : "ASCII";
    if ((flags & 0x02) != 0) options += ", NOINVERT";
    out += "<tr><td>" + AcceleratorKey(flags, key) + "</td><td>" + std::to_string(id) +
           context.NameSpan(id, kCommandPrefixes) + "</td><td>" + options + "</td></tr>";
    if ((flags & 0x80) != 0) {
      at += 8;
      break;
    }
  }
  out += "</table>";
  if (at != data.size() && data.size() - at >= 8)
    out += "<p class=\"note\">" + Count(data.size() - at) + " bytes follow the entry marked last.</p>";
  else if (data.size() % 8 != 0)
    out += "<p class=\"note\">" + Count(data.size() % 8) + " bytes do not make a whole entry.</p>";
  return out;
}

// Version information.

struct TVersionNode {
  std::size_t length = 0;
  std::uint16_t type = 0;
  std::u16string key;
  std::span<const std::uint8_t> value;
  std::vector<TVersionNode> children;
};

TVersionNode ReadVersionNode(std::span<const std::uint8_t> data, std::size_t offset, std::size_t limit, int depth) {
  TByteCursor cursor(data.subspan(0, limit), offset);
  if (depth > kMostVersionDepth) cursor.Fail("version nodes nested too deeply");
  TVersionNode node;
  node.length = cursor.U16();
  if (node.length < 6 || node.length > limit - offset)
    throw TDataError("Offset " + std::to_string(offset) + " : node length " + std::to_string(node.length));
  std::size_t end = offset + node.length;
  TByteCursor inside(data.subspan(0, end), offset + 2);
  std::size_t valueLength = inside.U16();
  node.type = inside.U16();
  node.key = inside.Text();
  inside.AlignTo4();
  std::size_t valueSize = std::min(node.type == 1 ? 2 * valueLength : valueLength, inside.Remaining());
  node.value = inside.Bytes(valueSize);
  inside.AlignTo4();
  while (!inside.AtEnd()) {
    node.children.push_back(ReadVersionNode(data, inside.Position(), end, depth + 1));
    inside.Seek(std::min(end, (inside.Position() + node.children.back().length + 3) & ~std::size_t{3}));
  }
  return node;
}

std::u16string TextValue(std::span<const std::uint8_t> value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
    auto unit = static_cast<char16_t>(U16At(value, i));
    if (unit == 0) break;
    text += unit;
  }
  return text;
}

std::string VersionNumber(std::uint32_t high, std::uint32_t low) {
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) + "." +
         std::to_string(low & 0xFFFF);
}

std::string NamedValue(std::uint32_t value, std::initializer_list<std::pair<std::uint32_t, const char*>> names) {
  for (auto [known, name] : names)
    if (known == value) return std::string(name) + " (" + Hex8(value) + ")";
  return Hex8(value);
}

std::string FixedInfoHtml(std::span<const std::uint8_t> value) {
  auto field = [&](std::size_t i) { return U32At(value, 4 * i); };
  std::string flags;
  for (auto [bit, name] : {std::pair<std::uint32_t, const char*>{1, "VS_FF_DEBUG"},
                           {2, "VS_FF_PRERELEASE"},
                           {4, "VS_FF_PATCHED"},
                           {8, "VS_FF_PRIVATEBUILD"},
                           {0x10, "VS_FF_INFOINFERRED"},
                           {0x20, "VS_FF_SPECIALBUILD"}})
    if ((field(7) & bit) != 0) flags += (flags.empty() ? "" : " | ") + std::string(name);
  std::string rows;
  auto row = [&](const char* name, const std::string& text) {
    rows += std::string("<tr><th>") + name + "</th><td>" + text + "</td></tr>";
  };
  if (field(0) != 0xFEEF04BD) row("Signature", Hex8(field(0)) + " (expected 0xFEEF04BD)");
  row("File version", VersionNumber(field(2), field(3)));
  row("Product version", VersionNumber(field(4), field(5)));
  row("File flags mask", Hex8(field(6)));
  row("File flags", flags.empty() ? Hex8(field(7)) : flags + " (" + Hex8(field(7)) + ")");
  row("File OS", NamedValue(field(8), {{0, "VOS_UNKNOWN"},
                                       {0x4, "VOS__WINDOWS32"},
                                       {0x10001, "VOS_DOS_WINDOWS16"},
                                       {0x10004, "VOS_DOS_WINDOWS32"},
                                       {0x40000, "VOS_NT"},
                                       {0x40004, "VOS_NT_WINDOWS32"}}));
  row("File type", NamedValue(field(9), {{0, "VFT_UNKNOWN"},
                                         {1, "VFT_APP"},
                                         {2, "VFT_DLL"},
                                         {3, "VFT_DRV"},
                                         {4, "VFT_FONT"},
                                         {5, "VFT_VXD"},
                                         {7, "VFT_STATIC_LIB"}}));
  row("File subtype", NamedValue(field(10), {{0, "VFT2_UNKNOWN"}}));
  if (field(11) != 0 || field(12) != 0) row("File date", Hex8(field(11)) + " " + Hex8(field(12)));
  return "<table class=\"grid\">" + rows + "</table>";
}

std::string BlockTitle(const std::u16string& key) {
  std::string text = DisplayUtf8(key);
  unsigned language = 0, codePage = 0;
  if (text.size() == 8 && std::sscanf(text.c_str(), "%4x%4x", &language, &codePage) == 2)
    return EscapeHtml(text) + " &#xB7; " + EscapeHtml(LanguageName(static_cast<std::uint16_t>(language))) + ", " +
           EscapeHtml(CodePageName(codePage));
  return EscapeHtml(text);
}

std::string VersionHtml(const TResourceEntry& entry) {
  TVersionNode root;
  try {
    root = ReadVersionNode(entry.data, 0, entry.data.size(), 0);
  } catch (const TDataError& failure) {
    return "<p class=\"note\">The version information cannot be read: " + EscapeHtml(failure.what()) + "</p>" +
           HexView(entry.data);
  }
  std::string out;
  if (root.value.size() == 52) out += FixedInfoHtml(root.value);
  for (const TVersionNode& child : root.children) {
    std::string key = DisplayUtf8(child.key);
    if (key == "StringFileInfo") {
      for (const TVersionNode& block : child.children) {
        out += "<h4>String information " + BlockTitle(block.key) + "</h4><table class=\"grid\">";
        for (const TVersionNode& value : block.children)
          out += "<tr><th>" + HtmlText(value.key) + "</th><td class=\"s\">" +
                 (value.type == 1 ? HtmlText(TextValue(value.value)) : HexView(value.value)) + "</td></tr>";
        out += "</table>";
      }
    } else if (key == "VarFileInfo") {
      for (const TVersionNode& var : child.children) {
        out += "<h4>" + HtmlText(var.key) + "</h4><p>";
        for (std::size_t i = 0; i + 4 <= var.value.size(); i += 4)
          out += (i == 0 ? "" : "<br>") + EscapeHtml(LanguageName(U16At(var.value, i))) + ", " +
                 EscapeHtml(CodePageName(U16At(var.value, i + 2)));
        out += "</p>";
      }
    } else {
      out += "<h4>" + HtmlText(child.key) + "</h4><p class=\"note\">a block of " + std::to_string(child.length) +
             " bytes that is neither StringFileInfo nor VarFileInfo</p>";
    }
  }
  return out;
}

// Icon and cursor groups: every image with its size and depth.
std::string GroupHtml(TReportContext& context, const TResourceEntry& entry) {
  bool cursor = entry.type.ordinal == 12;
  std::span<const std::uint8_t> data = entry.data;
  if (data.size() < 6) return "<p class=\"note\">The group directory is too short.</p>" + HexView(data);
  std::size_t count = U16At(data, 4);
  std::string out = "<div class=\"imgs\">";
  std::size_t shown = 0;
  for (; shown < count && 6 + 14 * (shown + 1) <= data.size(); ++shown) {
    std::size_t at = 6 + 14 * shown;
    TResourceId id;
    id.ordinal = U16At(data, at + 12);
    const TResourceEntry* image = context.Find(cursor ? 1 : 3, id, entry.language);
    std::string facts;
    std::string element = image ? context.ImageElement(*image, facts)
                                : "<span class=\"note\">image " + std::to_string(id.ordinal) + " is missing</span>";
    out += "<figure>" + element + "<figcaption>" + EscapeHtml(facts) + (facts.empty() ? "" : "<br>") + "image " +
           std::to_string(id.ordinal) + "</figcaption></figure>";
  }
  out += "</div>";
  if (shown < count)
    out += "<p class=\"note\">The directory lists " + std::to_string(count) + " images but holds " +
           std::to_string(shown) + ".</p>";
  return out;
}

// String tables: all blocks together, a column per language, a row per string id.
struct TStringRow {
  std::uint16_t id;
  std::uint16_t language;
  std::u16string text;
};

std::string StringTablesHtml(const TReportContext& context, const std::vector<const TResourceEntry*>& blocks) {
  std::vector<TStringRow> strings;
  std::set<std::uint16_t> languages;
  std::string notes;
  for (const TResourceEntry* block : blocks) {
    languages.insert(block->language);
    if (!block->name.isOrdinal || block->name.ordinal == 0) {
      notes += "<p class=\"note\">A string block named " + HtmlText(block->name.text) + " has no number.</p>";
      continue;
    }
    TByteCursor cursor(block->data);
    try {
      for (std::uint16_t i = 0; i < 16 && !cursor.AtEnd(); ++i) {
        std::size_t length = cursor.U16();
        std::u16string text;
        for (std::size_t k = 0; k < length; ++k) text += static_cast<char16_t>(cursor.U16());
        if (length > 0)
          strings.push_back({static_cast<std::uint16_t>((block->name.ordinal - 1) * 16 + i), block->language, text});
      }
    } catch (const TDataError& failure) {
      notes += "<p class=\"note\">String block " + std::to_string(block->name.ordinal) + " (" + Hex4(block->language) +
               ") is cut short: " + EscapeHtml(failure.what()) + "</p>";
    }
  }
  std::stable_sort(strings.begin(), strings.end(), [](const TStringRow& a, const TStringRow& b) {
    return a.id != b.id ? a.id < b.id : a.language < b.language;
  });
  std::vector<std::uint16_t> columns(languages.begin(), languages.end());
  std::string out = "<p class=\"facts\">" + Count(blocks.size()) + " blocks, " + Count(strings.size()) +
                    " strings in " + Count(columns.size()) + (columns.size() == 1 ? " language" : " languages") +
                    "</p>" + notes;
  out += "<table class=\"grid strings\"><tr><th>Id</th>";
  for (std::uint16_t language : columns) out += "<th>" + EscapeHtml(LanguageName(language)) + "</th>";
  out += "</tr>\n";
  std::size_t missing = 0;
  for (std::size_t i = 0; i < strings.size();) {
    std::uint16_t id = strings[i].id;
    out += "<tr><th>" + std::to_string(id) + context.NameSpan(id, kStringPrefixes) + "</th>";
    for (std::uint16_t language : columns) {
      if (i < strings.size() && strings[i].id == id && strings[i].language == language) {
        out += "<td class=\"s\">" + HtmlText(strings[i].text) + "</td>";
        ++i;
      } else {
        out += "<td class=\"missing\">missing</td>";
        ++missing;
      }
    }
    out += "</tr>\n";
  }
  out += "</table>";
  if (missing > 0)
    out += "<p class=\"warnings\">" + Count(missing) +
           (missing == 1 ? " missing translation.</p>" : " missing translations.</p>");
  return out;
}

TNamePrefixes PrefixesOf(const TResourceId& type) {
  static const TNamePrefixes kDialog = {"IDD_"};
  static const TNamePrefixes kMenu = {"IDR_", "IDM_"};
  static const TNamePrefixes kIcon = {"IDI_", "IDR_"};
  static const TNamePrefixes kCursor = {"IDC_"};
  static const TNamePrefixes kBitmap = {"IDB_"};
  static const TNamePrefixes kAccelerators = {"IDR_", "IDA_"};
  if (!type.isOrdinal) return kResourcePrefixes;
  switch (type.ordinal) {
    case 5:
      return kDialog;
    case 4:
      return kMenu;
    case 3:
    case 14:
      return kIcon;
    case 1:
    case 12:
      return kCursor;
    case 2:
      return kBitmap;
    case 9:
      return kAccelerators;
    default:
      return kResourcePrefixes;
  }
}

class TReportWriter {
 public:
  TReportWriter(const std::vector<TResourceEntry>& resources, const TDefineNames& names, const std::string& source,
                const std::vector<TWarning>& warnings)
      : resources_(resources), context_(resources, names), source_(source), warnings_(warnings) {
    for (TWarning& warning : warnings_) LocateWarning(warning);
    for (std::size_t i = 0; i < warnings.size(); ++i)
      warningsOf_[WarningKey(warnings[i].resourceType, warnings[i].resourceName, warnings[i].resourceLanguage)]
          .push_back(i);
  }

  std::string Build() {
    std::vector<const TResourceEntry*> order;
    order.reserve(resources_.size());
    for (const TResourceEntry& entry : resources_) order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(), [](const TResourceEntry* a, const TResourceEntry* b) {
      if (!(a->type == b->type)) return a->type < b->type;
      if (!(a->name == b->name)) return a->name < b->name;
      return a->language < b->language;
    });
    std::string body = "<h1>Resources of " + EscapeHtml(source_) + "</h1>\n" + Summary(order) + WarningsSection();
    for (std::size_t i = 0; i < order.size();) {
      std::size_t end = i;
      while (end < order.size() && order[end]->type == order[i]->type) ++end;
      body += TypeSection(std::vector<const TResourceEntry*>(order.begin() + static_cast<std::ptrdiff_t>(i),
                                                             order.begin() + static_cast<std::ptrdiff_t>(end)));
      i = end;
    }
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Resources of " +
                       EscapeHtml(source_) + "</title>\n<script>" + kErrorScript + "</script>\n<style>" + kStyle +
                       context_.ImageStyles() + "</style>\n</head>\n<body>\n";
    page.reserve(page.size() + body.size() + 2048);
    page += body;
    page += "<script>";
    page += kLayoutCheckScript;
    page += "</script>\n</body></html>\n";
    return page;
  }

 private:
  static std::string SectionId(const TResourceId& type) {
    return "type-" + AnchorPart(type.isOrdinal ? std::to_string(type.ordinal) : DisplayUtf8(type.text));
  }

  std::string Summary(const std::vector<const TResourceEntry*>& order) {
    std::size_t total = 0;
    std::set<std::uint16_t> languages;
    for (const TResourceEntry* entry : order) {
      total += entry->data.size();
      languages.insert(entry->language);
    }
    std::string out = "<section id=\"summary\"><table class=\"grid\"><tr><th>Resources</th><td>" + Count(order.size()) +
                      "</td></tr><tr><th>Data</th><td>" + Count(total) + " bytes</td></tr><tr><th>Languages</th><td>";
    bool first = true;
    for (std::uint16_t language : languages) {
      out += (first ? "" : "<br>") + EscapeHtml(LanguageName(language));
      first = false;
    }
    out +=
        "</td></tr></table>\n<h4>By type</h4><table "
        "class=\"grid\"><tr><th>Type</th><th>Resources</th><th>Bytes</th></tr>";
    for (std::size_t i = 0; i < order.size();) {
      std::size_t bytes = 0, end = i;
      for (; end < order.size() && order[end]->type == order[i]->type; ++end) bytes += order[end]->data.size();
      const TResourceId& type = order[i]->type;
      std::string title = type.isOrdinal ? TypeTitle(type.ordinal) : "";
      out += "<tr><td><a href=\"#" + SectionId(type) + "\">" + EscapeHtml(title.empty() ? TypeLabel(type) : title) +
             "</a> <span class=\"meta\">" + EscapeHtml(TypeLabel(type)) + "</span></td><td>" + Count(end - i) +
             "</td><td>" + Count(bytes) + "</td></tr>";
      i = end;
    }
    return out + "</table></section>\n";
  }

  std::string Anchor(const TResourceEntry& entry) {
    std::string anchor =
        AnchorPart(TypeLabel(entry.type) + "-" + IdText(entry.name) + "-" + Hex4(entry.language).substr(2));
    std::string unique = anchor;
    for (int n = 2; !anchors_.insert(unique).second; ++n) unique = anchor + "-" + std::to_string(n);
    return unique;
  }

  std::string TypeSection(const std::vector<const TResourceEntry*>& entries) {
    const TResourceId& type = entries.front()->type;
    std::string title = type.isOrdinal ? TypeTitle(type.ordinal) : "";
    std::string out = "<section class=\"type\"><h2 id=\"" + SectionId(type) + "\">" +
                      EscapeHtml(title.empty() ? TypeLabel(type) : title) + " <span class=\"meta\">" +
                      EscapeHtml(TypeLabel(type)) + " &#xB7; " + Count(entries.size()) + "</span></h2>\n";
    if (type.isOrdinal && type.ordinal == 6) {
      std::string warnings;
      std::set<std::uint16_t> languages;
      for (const TResourceEntry* entry : entries) languages.insert(entry->language);
      for (std::uint16_t language : languages) warnings += WarningsBeside(6, "", language);
      return out + StringTablesHtml(context_, entries) + warnings + "</section>\n";
    }
    // Image entries and the version resource are numbered by the compiler, not named by the script.
    bool named = !type.isOrdinal || (type.ordinal != 1 && type.ordinal != 3 && type.ordinal != 16);
    for (const TResourceEntry* entry : entries) {
      std::string anchor = Anchor(*entry);
      std::string name = named ? context_.IdHtml(entry->name, PrefixesOf(type)) : EscapeHtml(IdText(entry->name));
      out += "<section class=\"res\"><h3>" + name + " <span class=\"meta\">&#xB7; " +
             EscapeHtml(LanguageName(entry->language)) + " &#xB7; flags " + Hex4(entry->memoryFlags) + " " +
             MemoryFlagNames(entry->memoryFlags) + " &#xB7; " + Count(entry->data.size()) + " bytes</span></h3>\n" +
             (type.isOrdinal ? WarningsBeside(type.ordinal, IdText(entry->name), entry->language) : std::string()) +
             Body(*entry, anchor) + "</section>\n";
    }
    return out + "</section>\n";
  }

  std::string Body(const TResourceEntry& entry, const std::string& anchor) {
    if (!entry.type.isOrdinal) return TextOrHex(entry.data);
    std::string facts;
    switch (entry.type.ordinal) {
      case 1:
      case 3: {
        std::string element = context_.ImageElement(entry, facts);
        return "<div class=\"imgs\"><figure>" + element + "<figcaption>" + EscapeHtml(facts) +
               "</figcaption></figure></div>";
      }
      case 2:
        return "<div class=\"imgs\"><figure>" + context_.BitmapElement(entry.name, entry.language) + "</figure></div>";
      case 4:
        return MenuHtml(context_, entry);
      case 5:
        return DialogHtml(context_, entry, anchor);
      case 9:
        return AcceleratorsHtml(context_, entry);
      case 12:
      case 14:
        return GroupHtml(context_, entry);
      case 16:
        return VersionHtml(entry);
      case 10:
      case 17:
      case 23:
      case 24:
        return TextOrHex(entry.data);
      default:
        return HexView(entry.data);
    }
  }

  static std::string WarningKey(std::uint16_t type, const std::string& name, std::uint16_t language) {
    return std::to_string(type) + '\x01' + name + '\x01' + std::to_string(language);
  }

  // "app.rc:41:5" for a warning's place.
  static std::string WarningPlace(const TWarning& warning) {
    const TDiagnosticDetail& detail = warning.detail;
    if (!detail.located) return {};
    return detail.where.file + ":" + std::to_string(detail.where.line) + ":" + std::to_string(detail.where.column);
  }

  std::string WarningItem(const TWarning& warning) const {
    std::string place = WarningPlace(warning);
    return (place.empty() ? std::string() : "<span class=\"meta\">" + EscapeHtml(place) + "</span> ") +
           EscapeHtml(warning.detail.message) + " <span class=\"meta\">[-W" + WarningName(warning.kind) + "]</span>";
  }

  // Every warning of the compilation, each linked to its place beside its resource.
  std::string WarningsSection() const {
    if (warnings_.empty()) return {};
    std::string out = "<section id=\"warnings\"><h2>Warnings <span class=\"meta\">&#xB7; " +
                      Count(warnings_.size()) + "</span></h2><ul class=\"warnings\">";
    for (std::size_t i = 0; i < warnings_.size(); ++i)
      out += "<li><a href=\"#warning-" + std::to_string(i + 1) + "\">" + WarningItem(warnings_[i]) + "</a></li>";
    return out + "</ul></section>\n";
  }

  // The warnings about one resource, where the resource is shown.
  std::string WarningsBeside(std::uint16_t type, const std::string& name, std::uint16_t language) const {
    auto found = warningsOf_.find(WarningKey(type, name, language));
    if (found == warningsOf_.end()) return {};
    std::string out = "<ul class=\"warnings\">";
    for (std::size_t i : found->second)
      out += "<li id=\"warning-" + std::to_string(i + 1) + "\">" + WarningItem(warnings_[i]) + "</li>";
    return out + "</ul>\n";
  }

  const std::vector<TResourceEntry>& resources_;
  TReportContext context_;
  const std::string& source_;
  std::vector<TWarning> warnings_;  ///< located
  std::unordered_map<std::string, std::vector<std::size_t>> warningsOf_;
  std::unordered_set<std::string> anchors_;
};

}  // namespace

std::string BuildHtmlReport(const std::vector<TResourceEntry>& resources, const TDefineNames& names,
                            const std::string& sourceName, const std::vector<TWarning>& warnings) {
  return TReportWriter(resources, names, sourceName, warnings).Build();
}

}  // namespace tarvex
