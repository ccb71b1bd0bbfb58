/*
 * resdump: a Windows console program that prints what the Windows API reads from the
 * resources linked into it. The Wine test links it with a compiled script and compares
 * the printed text with what the script means.
 *
 * Build:  x86_64-w64-mingw32-gcc -o resdump.exe resdump.c script.obj -luser32 -lgdi32 -lversion
 *
 * Output: UTF-8 text, one item per line, lines ending in "\n" only. Resources come in the
 * order EnumResourceTypesW / EnumResourceNamesW / EnumResourceLanguagesW give them (the
 * order of the module's resource directory). Each resource opens with
 *
 *   resource TYPE NAME LANG
 *
 * TYPE and NAME are "#123" for numbers and a quoted text for names; LANG is the language
 * id as 4 hex digits. The lines that follow are indented by two blanks and depend on the
 * type. Numbers are decimal unless they start with 0x. Texts are quoted: \\ \" \t \n \r
 * stand for themselves, \xHH for other control characters and \uHHHH for a lone surrogate;
 * everything else is written as UTF-8.
 *
 * RT_STRING (#6), for each string of the block that LoadStringW returns non-empty:
 *   string ID "TEXT"
 * RT_MENU (#4), loaded with LoadMenuIndirectW, walked with GetMenuItemInfoW; one more
 * indentation level per submenu:
 *   menu format=F                      F: 0 for MENU, 1 for MENUEX (the template's first word)
 *   item type=0xT state=0xS id=ID "TEXT"          (ID as GetMenuItemID gives it)
 *   popup type=0xT state=0xS "TEXT"               (MENU: a popup has no id of its own)
 *   popup type=0xT state=0xS id=ID "TEXT"         (MENUEX)
 *   (Wine drops a MENUEX popup's help id, so it is not shown.)
 * RT_DIALOG (#5), created with CreateDialogIndirectParamW; the dialog procedure answers
 * nothing, so the dialog manager applies no focus or default-button changes:
 *   dialog class="C" style=0xS exstyle=0xE help=H text="T" client=W,H units=X,Y
 *   font "FACE" height=H weight=W italic=I charset=C      (or: font none)
 *     help is the dialog's context help id (Wine gives controls none, so theirs is not
 *     shown). Wine makes every dialog font with DEFAULT_CHARSET, whatever the template says.
 *   control class="C" style=0xS exstyle=0xE id=ID text="T" rect=L,T,R,B [extra]
 *     client=W,H is the dialog's client size in pixels; units=X,Y its base units, so that a
 *     dialog unit d is MulDiv(d, X, 4) pixels across and MulDiv(d, Y, 8) down. rect is the
 *     control's window rectangle in the dialog's client coordinates. id is GetDlgCtrlID.
 *     A text that names a resource by number (0xFFFF, then the number) reads text=#N.
 *     extra is, by class:
 *       Static with SS_ICON:  icon=WxH (the icon it shows, from STM_GETICON)
 *       TarvexDataProbe:      data=N HH HH ...  (or data=none): the control's creation data
 *   or, when creation fails:  dialog failed error=N
 * RT_ACCELERATOR (#9), loaded with LoadAcceleratorsW, read with CopyAcceleratorTableW:
 *   accel fvirt=0xF key=0xK cmd=C
 * RT_GROUP_ICON (#14) and RT_GROUP_CURSOR (#12), loaded with LoadImageW:
 *   icon chosen=#ID size=WxH default=WxH
 *   cursor chosen=#ID size=WxH default=WxH hotspot=X,Y
 *     chosen is the image LookupIconIdFromDirectoryEx picks at the system size and colour
 *     depth; size is the image loaded at its own size (cx = cy = 0), default the one loaded
 *     with LR_DEFAULTSIZE.
 * RT_BITMAP (#2), loaded with LoadImageW(LR_CREATEDIBSECTION), measured with GetObjectW:
 *   bitmap WxH bpp=B
 * RT_ICON (#3) and RT_CURSOR (#1), one image each, made with CreateIconFromResourceEx at
 * its own size; N is the size of the resource in bytes:
 *   image WxH bytes=N                      (or: image failed bytes=N)
 * RT_VERSION (#16): the resource line only; the contents follow at the end.
 * The user type DIALOGTEMPLATE: as RT_DIALOG, so that a test can hand the dialog manager
 * a template written byte by byte.
 * Every other type (raw data, user types, toolbars, ...): the bytes LockResource gives,
 * 16 to a line, as lowercase hex pairs separated by blanks:
 *   data 01 00 02 00 ...
 * String tables, accelerators, icons, cursors and bitmaps are reached by name through the
 * thread's language (SetThreadLocale); where that does not reach the resource of the line
 * (a neutral resource of the same name takes precedence), the line reads
 *   unreachable
 *
 * After the resources, the version information of the module itself:
 *   version none
 * or
 *   version fixed signature=0xS struc=0xV file=A.B.C.D product=A.B.C.D flagsmask=0xM
 *           flags=0xF os=0xO type=0xT subtype=0xS date=0xHI,0xLO        (one line)
 *   version translation LANG CODEPAGE      (4 hex digits each, one line per pair)
 *   version string "TABLE" "KEY" len=L "VALUE"
 *     one line per string of each string table, in file order, read with VerQueryValueW
 *     ("\StringFileInfo\TABLE\KEY"); L is the length VerQueryValueW reports. A string it
 *     does not find reads: version string "TABLE" "KEY" missing
 *
 * Creation data: a dialog control of the class "TarvexDataProbe" keeps what its
 * CREATESTRUCT.lpCreateParams points to (a 16-bit size, then that many bytes) and the
 * dump prints it. In a script:
 *   CONTROL "", 10, "TarvexDataProbe", 0, 5, 5, 20, 10 { 1, 2, "ab" }
 * reads
 *   control class="TarvexDataProbe" ... data=6 01 00 02 00 61 62
 */
#include <windows.h>

#define MAX_RESOURCES 4096
#define MAX_NAME 256

typedef struct {
  int isId;
  WORD id;
  WCHAR text[MAX_NAME];
} TName;

typedef struct {
  TName type;
  TName name;
  WORD lang;
} TEntry;

static HMODULE module;
static TEntry entries[MAX_RESOURCES];
static int entryCount;
static TName types[MAX_RESOURCES];
static int typeCount;
static TName names[MAX_RESOURCES];
static int nameCount;

/* ---- output ---------------------------------------------------------------------- */

static char out[1 << 16];
static DWORD outLength;

static void Flush(void) {
  DWORD written = 0, done = 0;
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  while (done < outLength && WriteFile(handle, out + done, outLength - done, &written, NULL) && written > 0)
    done += written;
  outLength = 0;
}

static void PutByte(char c) {
  if (outLength == sizeof out) Flush();
  out[outLength++] = c;
}

static void Put(const char* text) {
  while (*text) PutByte(*text++);
}

static void PutUnsigned(unsigned long long value, unsigned base, int minDigits) {
  char digits[32];
  int count = 0;
  do {
    digits[count++] = "0123456789abcdef"[value % base];
    value /= base;
  } while (value > 0);
  while (count < minDigits) digits[count++] = '0';
  while (count > 0) PutByte(digits[--count]);
}

static void PutInt(long long value) {
  if (value < 0) {
    PutByte('-');
    PutUnsigned((unsigned long long)(-value), 10, 1);
  } else {
    PutUnsigned((unsigned long long)value, 10, 1);
  }
}

static void PutHex(unsigned long long value) {
  Put("0x");
  PutUnsigned(value, 16, 1);
}

static void PutHex4(unsigned value) { PutUnsigned(value, 16, 4); }

static void PutCodePoint(unsigned c) {
  if (c < 0x80) {
    PutByte((char)c);
  } else if (c < 0x800) {
    PutByte((char)(0xC0 | (c >> 6)));
    PutByte((char)(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    PutByte((char)(0xE0 | (c >> 12)));
    PutByte((char)(0x80 | ((c >> 6) & 0x3F)));
    PutByte((char)(0x80 | (c & 0x3F)));
  } else {
    PutByte((char)(0xF0 | (c >> 18)));
    PutByte((char)(0x80 | ((c >> 12) & 0x3F)));
    PutByte((char)(0x80 | ((c >> 6) & 0x3F)));
    PutByte((char)(0x80 | (c & 0x3F)));
  }
}

/* `length` UTF-16 units of `text` (or up to its terminator when length < 0), quoted. */
static void PutText(const WCHAR* text, int length) {
  int i;
  PutByte('"');
  for (i = 0; text && (length < 0 ? text[i] != 0 : i < length); ++i) {
    unsigned c = text[i];
    if (c == '\\' || c == '"') {
      PutByte('\\');
      PutByte((char)c);
    } else if (c == '\t') {
      Put("\\t");
    } else if (c == '\n') {
      Put("\\n");
    } else if (c == '\r') {
      Put("\\r");
    } else if (c < 0x20 || c == 0x7F) {
      Put("\\x");
      PutUnsigned(c, 16, 2);
    } else if (c >= 0xD800 && c <= 0xDBFF && (length < 0 || i + 1 < length) && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      PutCodePoint(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      Put("\\u");
      PutUnsigned(c, 16, 4);
    } else {
      PutCodePoint(c);
    }
  }
  PutByte('"');
}

static void PutName(const TName* name) {
  if (name->isId) {
    PutByte('#');
    PutInt(name->id);
  } else {
    PutText(name->text, -1);
  }
}

static void PutRect(const RECT* rect) {
  PutInt(rect->left);
  PutByte(',');
  PutInt(rect->top);
  PutByte(',');
  PutInt(rect->right);
  PutByte(',');
  PutInt(rect->bottom);
}

static void PutHexBytes(const BYTE* bytes, size_t count, const char* indent) {
  size_t i;
  for (i = 0; i < count; ++i) {
    if (i % 16 == 0) {
      if (i > 0) PutByte('\n');
      Put(indent);
      Put("data");
    }
    PutByte(' ');
    PutUnsigned(bytes[i], 16, 2);
  }
  if (count > 0) PutByte('\n');
}

/* ---- enumeration ------------------------------------------------------------------- */

static void TakeName(TName* target, LPCWSTR source) {
  if (IS_INTRESOURCE(source)) {
    target->isId = 1;
    target->id = LOWORD((ULONG_PTR)source);
  } else {
    target->isId = 0;
    lstrcpynW(target->text, source, MAX_NAME);
  }
}

static LPCWSTR Pointer(const TName* name) { return name->isId ? MAKEINTRESOURCEW(name->id) : name->text; }

static BOOL CALLBACK OnType(HMODULE unused, LPWSTR type, LONG_PTR context) {
  (void)unused;
  (void)context;
  if (typeCount < MAX_RESOURCES) TakeName(&types[typeCount++], type);
  return TRUE;
}

static BOOL CALLBACK OnName(HMODULE unused, LPCWSTR type, LPWSTR name, LONG_PTR context) {
  (void)unused;
  (void)type;
  (void)context;
  if (nameCount < MAX_RESOURCES) TakeName(&names[nameCount++], name);
  return TRUE;
}

static BOOL CALLBACK OnLanguage(HMODULE unused, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR context) {
  (void)unused;
  (void)type;
  (void)name;
  if (entryCount < MAX_RESOURCES) {
    const TEntry* base = (const TEntry*)context;
    entries[entryCount] = *base;
    entries[entryCount].lang = lang;
    ++entryCount;
  }
  return TRUE;
}

static void Enumerate(void) {
  int t, n;
  EnumResourceTypesW(module, OnType, 0);
  for (t = 0; t < typeCount; ++t) {
    nameCount = 0;
    EnumResourceNamesW(module, Pointer(&types[t]), OnName, 0);
    for (n = 0; n < nameCount; ++n) {
      TEntry base;
      base.type = types[t];
      base.name = names[n];
      base.lang = 0;
      EnumResourceLanguagesW(module, Pointer(&types[t]), Pointer(&names[n]), OnLanguage, (LONG_PTR)&base);
    }
  }
}

static HRSRC Find(const TEntry* entry) {
  return FindResourceExW(module, Pointer(&entry->type), Pointer(&entry->name), entry->lang);
}

/* Makes the entry's language the thread's, so that the functions that take only a name
 * reach it; false when another resource of the name still takes precedence. */
static int SelectLanguage(const TEntry* entry) {
  SetThreadLocale(MAKELCID(entry->lang, SORT_DEFAULT));
  if (FindResourceW(module, Pointer(&entry->name), Pointer(&entry->type)) == Find(entry)) return 1;
  Put("  unreachable\n");
  return 0;
}

static const void* Data(const TEntry* entry, DWORD* size) {
  HRSRC found = Find(entry);
  HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
  *size = found ? SizeofResource(module, found) : 0;
  return loaded ? LockResource(loaded) : NULL;
}

/* ---- string tables ------------------------------------------------------------------- */

static void DumpStrings(const TEntry* entry) {
  UINT first, id;
  if (!entry->type.isId || !entry->name.isId || !SelectLanguage(entry)) return;
  first = (UINT)(entry->name.id - 1) * 16;
  for (id = first; id < first + 16; ++id) {
    const WCHAR* text = NULL;
    int length = LoadStringW(module, id, (LPWSTR)&text, 0);
    if (length <= 0) continue;
    Put("  string ");
    PutInt(id);
    PutByte(' ');
    PutText(text, length);
    PutByte('\n');
  }
}

/* ---- menus ------------------------------------------------------------------------------ */

static void DumpMenu(HMENU menu, int depth, int extended) {
  int count = GetMenuItemCount(menu), i, d;
  for (i = 0; i < count; ++i) {
    WCHAR text[1024];
    MENUITEMINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text / sizeof text[0];
    text[0] = 0;
    if (!GetMenuItemInfoW(menu, (UINT)i, TRUE, &info)) continue;
    for (d = 0; d < depth; ++d) Put("  ");
    Put(info.hSubMenu ? "popup" : "item");
    Put(" type=");
    PutHex(info.fType);
    Put(" state=");
    PutHex(info.fState);
    if (!info.hSubMenu) {
      Put(" id=");
      PutInt(GetMenuItemID(menu, i));
    } else if (extended) {
      Put(" id=");
      PutInt(info.wID);
    }
    PutByte(' ');
    PutText(text, -1);
    PutByte('\n');
    if (info.hSubMenu) DumpMenu(info.hSubMenu, depth + 1, extended);
  }
}

static void DumpMenuResource(const TEntry* entry) {
  DWORD size;
  const WORD* data = (const WORD*)Data(entry, &size);
  HMENU menu;
  if (!data || size < 4) return;
  Put("  menu format=");
  PutInt(data[0]);
  PutByte('\n');
  menu = LoadMenuIndirectW(data);
  if (!menu) {
    Put("  menu failed error=");
    PutInt(GetLastError());
    PutByte('\n');
    return;
  }
  DumpMenu(menu, 1, data[0] == 1);
  DestroyMenu(menu);
}

/* ---- dialogs -------------------------------------------------------------------------- */

static const WCHAR kProbeClass[] = L"TarvexDataProbe";

static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTW* create = (const CREATESTRUCTW*)lParam;
    const BYTE* source = (const BYTE*)create->lpCreateParams;
    BYTE* copy = NULL;
    if (source) {
      WORD size = (WORD)(source[0] | (source[1] << 8));
      copy = (BYTE*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size + 2);
      if (copy) CopyMemory(copy, source, (SIZE_T)size + 2);
    }
    SetWindowLongPtrW(window, 0, (LONG_PTR)copy);
  } else if (message == WM_NCDESTROY) {
    BYTE* copy = (BYTE*)GetWindowLongPtrW(window, 0);
    if (copy) HeapFree(GetProcessHeap(), 0, copy);
    SetWindowLongPtrW(window, 0, 0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static void RegisterProbe(void) {
  WNDCLASSW probe;
  ZeroMemory(&probe, sizeof probe);
  probe.lpfnWndProc = ProbeProc;
  probe.cbWndExtra = sizeof(LONG_PTR);
  probe.hInstance = module;
  probe.lpszClassName = kProbeClass;
  RegisterClassW(&probe);
}

static INT_PTR CALLBACK QuietDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)window;
  (void)message;
  (void)wParam;
  (void)lParam;
  return FALSE;
}

static void PutIconSize(HICON icon) {
  ICONINFO info;
  BITMAP bitmap;
  if (!icon || !GetIconInfo(icon, &info)) {
    Put("none");
    return;
  }
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
    PutInt(bitmap.bmWidth);
    PutByte('x');
    PutInt(bitmap.bmHeight);
  } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) {
    /* monochrome: the mask holds the AND and the XOR halves */
    PutInt(bitmap.bmWidth);
    PutByte('x');
    PutInt(bitmap.bmHeight / 2);
  } else {
    Put("none");
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

static void PutWindowCommon(HWND window) {
  WCHAR text[1024];
  Put(" class=");
  text[0] = 0;
  GetClassNameW(window, text, sizeof text / sizeof text[0]);
  PutText(text, -1);
  Put(" style=");
  PutHex((DWORD)GetWindowLongW(window, GWL_STYLE));
  Put(" exstyle=");
  PutHex((DWORD)GetWindowLongW(window, GWL_EXSTYLE));
}

static void PutWindowText(HWND window) {
  WCHAR text[1024];
  int length = GetWindowTextW(window, text, sizeof text / sizeof text[0]);
  Put(" text=");
  if (length >= 2 && text[0] == 0xFFFF) {
    PutByte('#');
    PutInt(text[1]);
  } else {
    PutText(text, length);
  }
}

static void DumpControl(HWND dialog, HWND control) {
  WCHAR className[256];
  RECT rect;
  DWORD style = (DWORD)GetWindowLongW(control, GWL_STYLE);
  Put("  control");
  PutWindowCommon(control);
  Put(" id=");
  PutInt(GetDlgCtrlID(control));
  PutWindowText(control);
  GetWindowRect(control, &rect);
  MapWindowPoints(NULL, dialog, (POINT*)&rect, 2);
  Put(" rect=");
  PutRect(&rect);
  className[0] = 0;
  GetClassNameW(control, className, sizeof className / sizeof className[0]);
  if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
    Put(" icon=");
    PutIconSize((HICON)SendMessageW(control, STM_GETICON, 0, 0));
  } else if (lstrcmpW(className, kProbeClass) == 0) {
    const BYTE* data = (const BYTE*)GetWindowLongPtrW(control, 0);
    Put(" data=");
    if (!data) {
      Put("none");
    } else {
      WORD size = (WORD)(data[0] | (data[1] << 8)), i;
      PutInt(size);
      for (i = 0; i < size; ++i) {
        PutByte(' ');
        PutUnsigned(data[2 + i], 16, 2);
      }
    }
  }
  PutByte('\n');
}

static void DumpDialog(const TEntry* entry) {
  DWORD size;
  const void* data = Data(entry, &size);
  HWND dialog, child;
  RECT client, units = {0, 0, 4, 8};
  HFONT font;
  LOGFONTW logFont;
  if (!data) return;
  SetLastError(0);
  dialog = CreateDialogIndirectParamW(module, (LPCDLGTEMPLATEW)data, NULL, QuietDialogProc, 0);
  if (!dialog) {
    Put("  dialog failed error=");
    PutInt(GetLastError());
    PutByte('\n');
    return;
  }
  Put("  dialog");
  PutWindowCommon(dialog);
  Put(" help=");
  PutInt(GetWindowContextHelpId(dialog));
  PutWindowText(dialog);
  GetClientRect(dialog, &client);
  Put(" client=");
  PutInt(client.right);
  PutByte(',');
  PutInt(client.bottom);
  MapDialogRect(dialog, &units);
  Put(" units=");
  PutInt(units.right);
  PutByte(',');
  PutInt(units.bottom);
  PutByte('\n');
  font = (HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0);
  if (font && GetObjectW(font, sizeof logFont, &logFont)) {
    Put("  font ");
    PutText(logFont.lfFaceName, -1);
    Put(" height=");
    PutInt(logFont.lfHeight);
    Put(" weight=");
    PutInt(logFont.lfWeight);
    Put(" italic=");
    PutInt(logFont.lfItalic);
    Put(" charset=");
    PutInt(logFont.lfCharSet);
    PutByte('\n');
  } else {
    Put("  font none\n");
  }
  for (child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) DumpControl(dialog, child);
  DestroyWindow(dialog);
}

/* ---- accelerators ------------------------------------------------------------------------ */

static void DumpAccelerators(const TEntry* entry) {
  HACCEL table;
  ACCEL keys[1024];
  int count, i;
  if (!SelectLanguage(entry)) return;
  table = LoadAcceleratorsW(module, Pointer(&entry->name));
  if (!table) {
    Put("  accel failed\n");
    return;
  }
  count = CopyAcceleratorTableW(table, keys, sizeof keys / sizeof keys[0]);
  for (i = 0; i < count; ++i) {
    Put("  accel fvirt=");
    PutHex(keys[i].fVirt);
    Put(" key=");
    PutHex(keys[i].key);
    Put(" cmd=");
    PutInt(keys[i].cmd);
    PutByte('\n');
  }
  DestroyAcceleratorTable(table);
}

/* ---- icons, cursors, bitmaps ----------------------------------------------------------------- */

static void DumpIconGroup(const TEntry* entry, int isIcon) {
  DWORD size;
  const void* group = Data(entry, &size);
  UINT kind = isIcon ? IMAGE_ICON : IMAGE_CURSOR;
  HANDLE own, standard;
  if (!group || !SelectLanguage(entry)) return;
  Put(isIcon ? "  icon chosen=#" : "  cursor chosen=#");
  PutInt(LookupIconIdFromDirectoryEx((PBYTE)group, isIcon, 0, 0, LR_DEFAULTCOLOR));
  own = LoadImageW(module, Pointer(&entry->name), kind, 0, 0, 0);
  standard = LoadImageW(module, Pointer(&entry->name), kind, 0, 0, LR_DEFAULTSIZE);
  Put(" size=");
  PutIconSize((HICON)own);
  Put(" default=");
  PutIconSize((HICON)standard);
  if (!isIcon) {
    ICONINFO info;
    Put(" hotspot=");
    if (own && GetIconInfo((HICON)own, &info)) {
      PutInt(info.xHotspot);
      PutByte(',');
      PutInt(info.yHotspot);
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
    } else {
      Put("none");
    }
  }
  PutByte('\n');
  if (own) DestroyIcon((HICON)own);
  if (standard) DestroyIcon((HICON)standard);
}

static void DumpImage(const TEntry* entry, int isIcon) {
  DWORD size;
  const void* data = Data(entry, &size);
  HICON image = data ? CreateIconFromResourceEx((PBYTE)data, size, isIcon, 0x00030000, 0, 0, 0) : NULL;
  Put("  image ");
  if (image) {
    PutIconSize(image);
    DestroyIcon(image);
  } else {
    Put("failed");
  }
  Put(" bytes=");
  PutInt(size);
  PutByte('\n');
}

static void DumpBitmap(const TEntry* entry) {
  HBITMAP bitmap;
  BITMAP info;
  if (!SelectLanguage(entry)) return;
  bitmap = (HBITMAP)LoadImageW(module, Pointer(&entry->name), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) {
    Put("  bitmap failed\n");
    return;
  }
  Put("  bitmap ");
  PutInt(info.bmWidth);
  PutByte('x');
  PutInt(info.bmHeight);
  Put(" bpp=");
  PutInt(info.bmBitsPixel);
  PutByte('\n');
  DeleteObject(bitmap);
}

/* ---- version information ---------------------------------------------------------------- */

/* One node of the version tree: wLength, wValueLength, wType, key, padding, value,
 * padding, children. */
typedef struct {
  const BYTE* start;
  WORD length;
  const WCHAR* key;
  const BYTE* children;
} TVersionNode;

static int ReadNode(const BYTE* at, const BYTE* end, TVersionNode* node) {
  const WCHAR* key;
  size_t offset;
  WORD valueLength, type;
  if (end - at < 6) return 0;
  node->start = at;
  node->length = (WORD)(at[0] | (at[1] << 8));
  valueLength = (WORD)(at[2] | (at[3] << 8));
  type = (WORD)(at[4] | (at[5] << 8));
  if (node->length < 6 || node->length > end - at) return 0;
  key = (const WCHAR*)(at + 6);
  offset = 6;
  while (offset + 2 <= node->length && key[(offset - 6) / 2] != 0) offset += 2;
  if (offset + 2 > node->length) return 0;
  node->key = key;
  offset = (offset + 2 + 3) & ~(size_t)3;
  offset += type == 1 ? (size_t)valueLength * 2 : valueLength;
  offset = (offset + 3) & ~(size_t)3;
  node->children = at + (offset < node->length ? offset : node->length);
  return 1;
}

static const BYTE* NextNode(const TVersionNode* node) { return node->start + ((node->length + 3) & ~3u); }

static void PutQuad(DWORD high, DWORD low) {
  PutInt(HIWORD(high));
  PutByte('.');
  PutInt(LOWORD(high));
  PutByte('.');
  PutInt(HIWORD(low));
  PutByte('.');
  PutInt(LOWORD(low));
}

static void DumpStringTables(const BYTE* info, const TVersionNode* root) {
  const BYTE* rootEnd = root->start + root->length;
  const BYTE* at;
  TVersionNode block, table, value;
  (void)info;
  for (at = root->children; ReadNode(at, rootEnd, &block); at = NextNode(&block)) {
    const BYTE* blockEnd = block.start + block.length;
    const BYTE* t;
    if (lstrcmpW(block.key, L"StringFileInfo") != 0) continue;
    for (t = block.children; ReadNode(t, blockEnd, &table); t = NextNode(&table)) {
      const BYTE* tableEnd = table.start + table.length;
      const BYTE* v;
      for (v = table.children; ReadNode(v, tableEnd, &value); v = NextNode(&value)) {
        WCHAR path[1024];
        const WCHAR* text = NULL;
        UINT length = 0;
        wsprintfW(path, L"\\StringFileInfo\\%s\\%s", table.key, value.key);
        Put("version string ");
        PutText(table.key, -1);
        PutByte(' ');
        PutText(value.key, -1);
        if (VerQueryValueW(info, path, (void**)&text, &length)) {
          Put(" len=");
          PutInt(length);
          PutByte(' ');
          PutText(text, -1);
        } else {
          Put(" missing");
        }
        PutByte('\n');
      }
    }
  }
}

static void DumpVersion(void) {
  WCHAR path[MAX_PATH];
  DWORD handle = 0, size;
  BYTE* info;
  VS_FIXEDFILEINFO* fixed = NULL;
  DWORD* translations = NULL;
  UINT length = 0, i;
  TVersionNode root;
  GetModuleFileNameW(module, path, MAX_PATH);
  size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) {
    Put("version none\n");
    return;
  }
  info = (BYTE*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
  if (!info || !GetFileVersionInfoW(path, 0, size, info)) {
    Put("version failed\n");
    return;
  }
  if (VerQueryValueW(info, L"\\", (void**)&fixed, &length) && fixed && length >= sizeof *fixed) {
    Put("version fixed signature=");
    PutHex(fixed->dwSignature);
    Put(" struc=");
    PutHex(fixed->dwStrucVersion);
    Put(" file=");
    PutQuad(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    Put(" product=");
    PutQuad(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    Put(" flagsmask=");
    PutHex(fixed->dwFileFlagsMask);
    Put(" flags=");
    PutHex(fixed->dwFileFlags);
    Put(" os=");
    PutHex(fixed->dwFileOS);
    Put(" type=");
    PutHex(fixed->dwFileType);
    Put(" subtype=");
    PutHex(fixed->dwFileSubtype);
    Put(" date=");
    PutHex(fixed->dwFileDateMS);
    PutByte(',');
    PutHex(fixed->dwFileDateLS);
    PutByte('\n');
  } else {
    Put("version fixed none\n");
  }
  if (VerQueryValueW(info, L"\\VarFileInfo\\Translation", (void**)&translations, &length) && translations) {
    for (i = 0; i < length / 4; ++i) {
      Put("version translation ");
      PutHex4(LOWORD(translations[i]));
      PutByte(' ');
      PutHex4(HIWORD(translations[i]));
      PutByte('\n');
    }
  }
  if (ReadNode(info, info + size, &root)) DumpStringTables(info, &root);
  HeapFree(GetProcessHeap(), 0, info);
}

/* ---- main ------------------------------------------------------------------------------- */

static void DumpRaw(const TEntry* entry) {
  DWORD size;
  const BYTE* data = (const BYTE*)Data(entry, &size);
  if (data) PutHexBytes(data, size, "  ");
}

int main(void) {
  int i;
  module = GetModuleHandleW(NULL);
  RegisterProbe();
  Enumerate();
  for (i = 0; i < entryCount; ++i) {
    const TEntry* entry = &entries[i];
    Put("resource ");
    PutName(&entry->type);
    PutByte(' ');
    PutName(&entry->name);
    PutByte(' ');
    PutHex4(entry->lang);
    PutByte('\n');
    if (!entry->type.isId) {
      if (lstrcmpW(entry->type.text, L"DIALOGTEMPLATE") == 0)
        DumpDialog(entry);
      else
        DumpRaw(entry);
      continue;
    }
    switch (entry->type.id) {
      case 1:
        DumpImage(entry, 0);
        break;
      case 3:
        DumpImage(entry, 1);
        break;
      case 16: /* read through GetFileVersionInfoW at the end */
        break;
      case 2:
        DumpBitmap(entry);
        break;
      case 4:
        DumpMenuResource(entry);
        break;
      case 5:
        DumpDialog(entry);
        break;
      case 6:
        DumpStrings(entry);
        break;
      case 9:
        DumpAccelerators(entry);
        break;
      case 12:
        DumpIconGroup(entry, 0);
        break;
      case 14:
        DumpIconGroup(entry, 1);
        break;
      default:
        DumpRaw(entry);
        break;
    }
  }
  DumpVersion();
  Flush();
  return 0;
}
