#!/usr/bin/env python3
"""Generates the built-in tables that stand in for the Windows SDK resource headers.

A resource script that includes windows.h, commctrl.h, afxres.h and the like, on a machine
without those headers, gets their constants from tables compiled into TARVEX:

  data/sdk_symbols.cpp        the constants of the Windows headers, taken from the mingw-w64
                              header set (Debian package mingw-w64-common) as a resource
                              compiler sees them (RC_INVOKED defined), those that depend on
                              UNICODE in both forms;
  data/sdk_headers.cpp        the header names the table serves: every .h file directly in the
                              set's include folder and the resource headers, less the C library
                              headers (served empty) and the two files served as text;
  data/sdk_texts.cpp          the text of common.ver and ntverp.h, script fragments that hold
                              statements (a VERSIONINFO), which a table of constants cannot give;
  data/framework_symbols.cpp  the command, string and control ids of the MFC and WTL frameworks
                              (afxres.h, atlres.h), read from a NAME=value list.

The files are checked in: building TARVEX never needs the headers or this script. Run it again
only to refresh the data:

  apt-get install mingw-w64-common
  python3 tools/generate_sdk_symbols.py

How a value is chosen. The host C preprocessor reads every resource header that the set has,
with RC_INVOKED and _WIN32 defined and a Windows 10 target (WINVER, _WIN32_WINNT, _WIN32_IE), once
with UNICODE and _UNICODE defined and once without. A name whose value differs between the two
readings (RICHEDIT_CLASS: "RichEdit20W" or "RichEdit20A"), or that only one of them defines, goes
into the table of its reading, and the script's own UNICODE selects the table when the first SDK
header is included, as the real headers' #ifdef UNICODE does. Every object-like macro left defined
whose last definition stands in one of those headers (or in dde.rh or sdkddkver.h, which windows.h
reads for a resource script) is then expanded by the same preprocessor, and the expansion is
evaluated here as a C constant expression of a 32-bit Windows target (int and long 32 bits, long
long 64). Casts to the integer types of the Windows headers (DWORD, WORD, UINT, LONG, ...) are
applied as C applies them; MAKEINTRESOURCE(i) is read as the 16-bit value (WORD)(i), which is what
a resource script means by it. Dropped: a macro whose expansion is not such a constant (a type, a
pointer cast, a GUID, a function call, an expression using sizeof), one defined empty (include
guards), function-like macros, the macros of the general headers the served ones pull in
(winerror.h, wincrypt.h, the COM and C library headers) and those of the compiler and the command
line, except the target version names WINVER, _WIN32_WINNT, _WIN32_IE and NTDDI_VERSION, which
windows.h defines for a script too.

Records are written fully evaluated, so that no record depends on another or on the order of
evaluation, and in a form the script reader takes as one number: at most 8 hexadecimal digits or a
decimal number up to 2147483647. Negative values are written in decimal with a leading "-"; values
above 0x7FFFFFFF (and -2147483648) as their 32-bit pattern in hexadecimal; other values in 0x
hexadecimal when the header wrote a hexadecimal number in them, in decimal otherwise. Values wider
than 32 bits (64-bit masks of winnt.h) are dropped: no resource field holds them.

String values keep their text but lose the L, u, U or u8 prefix of a wide literal: the script reader
reads narrow strings, and the class names and other texts concerned are plain ASCII, which a narrow
literal converts to the same UTF-16 ("SysListView32", not L"SysListView32"). Adjacent literals are
joined. Strings holding a backslash, a double quote or a byte outside printable ASCII are dropped,
since their escapes would not read the same in a resource script.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The resource headers whose constants the table holds, in the order they are read. ver.h,
# verrsrc.h and atlres.h are served although the mingw-w64 set lacks them. Every other .h name
# directly in the set's include folder is served by the same table.
SERVED_HEADERS = [
    "windows.h", "winresrc.h", "winres.h", "winuser.h", "winuser.rh", "wingdi.h", "winnt.h",
    "winnt.rh", "winver.h", "ver.h", "verrsrc.h", "commctrl.h", "commctrl.rh", "richedit.h",
    "dlgs.h", "colordlg.h", "prsht.h", "shellapi.h", "shlobj.h", "shlwapi.h", "tchar.h",
    "afxres.h", "atlres.h",
]

# C library headers (the C standard's and the C runtime's) that scripts reach through shared
# headers; they give a script no constant and are served empty.
EMPTY_HEADERS = [
    "assert.h", "complex.h", "ctype.h", "errno.h", "fenv.h", "float.h", "inttypes.h", "iso646.h",
    "limits.h", "locale.h", "math.h", "setjmp.h", "signal.h", "stdalign.h", "stdarg.h",
    "stdatomic.h", "stdbool.h", "stddef.h", "stdint.h", "stdio.h", "stdlib.h", "stdnoreturn.h",
    "string.h", "tgmath.h", "threads.h", "time.h", "uchar.h", "wchar.h", "wctype.h",
    "unistd.h", "io.h", "malloc.h", "memory.h", "process.h", "direct.h", "conio.h", "fcntl.h",
    "search.h", "share.h", "crtdbg.h", "excpt.h", "mbstring.h", "mbctype.h", "dos.h",
]

# Script fragments of the set served as their text: a script made from an SDK sample writes its
# version resource as #include <ntverp.h>, a few #define VER_... lines and #include "common.ver",
# whose VERSIONINFO statement no table of constants can give. (sdkddkver.h stays in the table:
# its text would set _WIN32_WINNT to 0x0502, where the table gives 0x0A00.)
TEXT_FILES = ["common.ver", "ntverp.h"]

# The target the headers are read for: a 32-bit Windows 10 resource compilation.
TARGET_DEFINES = [
    ("RC_INVOKED", "1"), ("_WIN32", "1"),
    ("WINVER", "0x0A00"), ("_WIN32_WINNT", "0x0A00"), ("_WIN32_IE", "0x0A00"),
    ("NTDDI_VERSION", "0x0A000000"),
]
# The names that select the wide forms of the headers.
UNICODE_DEFINES = [("UNICODE", "1"), ("_UNICODE", "1")]
# The headers expect a GCC for 32-bit x86; the host's own predefined macros are switched off.
COMPILER_DEFINES = [
    ("__GNUC__", "12"), ("__GNUC_MINOR__", "2"), ("__GNUC_PATCHLEVEL__", "0"), ("__i386__", "1"),
    ("_X86_", "1"), ("__MINGW32__", "1"),
]
# Target macros that windows.h itself defines for a script, kept in the table with the value
# they are read with.
KEPT_TARGET_NAMES = ["WINVER", "_WIN32_WINNT", "_WIN32_IE", "NTDDI_VERSION"]

# How MAKEINTRESOURCE reads in a resource script: the 16-bit id itself.
RESOURCE_ID_MACROS = """
#undef MAKEINTRESOURCEA
#undef MAKEINTRESOURCEW
#undef MAKEINTRESOURCE
#define MAKEINTRESOURCEA(i) ((WORD)(i))
#define MAKEINTRESOURCEW(i) ((WORD)(i))
#define MAKEINTRESOURCE(i) ((WORD)(i))
"""

# Integer types of a 32-bit Windows target: name -> (bits, unsigned).
INTEGER_TYPES = {
    "char": (8, False), "short": (16, False), "int": (32, False), "long": (32, False),
    "__int8": (8, False), "__int16": (16, False), "__int32": (32, False), "__int64": (64, False),
    "BYTE": (8, True), "UCHAR": (8, True), "CHAR": (8, False), "BOOLEAN": (8, True),
    "INT8": (8, False), "UINT8": (8, True), "CCHAR": (8, False),
    "WORD": (16, True), "USHORT": (16, True), "SHORT": (16, False), "ATOM": (16, True),
    "LANGID": (16, True), "WCHAR": (16, True), "INT16": (16, False), "UINT16": (16, True),
    "INT": (32, False), "UINT": (32, True), "LONG": (32, False), "ULONG": (32, True),
    "DWORD": (32, True), "BOOL": (32, False), "HRESULT": (32, False), "SCODE": (32, False),
    "NTSTATUS": (32, False), "LCID": (32, True), "LCTYPE": (32, True), "COLORREF": (32, True),
    "INT32": (32, False), "UINT32": (32, True), "LONG32": (32, False), "ULONG32": (32, True),
    "DWORD32": (32, True), "INT_PTR": (32, False), "LONG_PTR": (32, False),
    "UINT_PTR": (32, True), "ULONG_PTR": (32, True), "DWORD_PTR": (32, True),
    "WPARAM": (32, True), "LPARAM": (32, False), "LRESULT": (32, False),
    "INT64": (64, False), "UINT64": (64, True), "LONG64": (64, False), "ULONG64": (64, True),
    "DWORD64": (64, True), "LONGLONG": (64, False), "ULONGLONG": (64, True),
}
TYPE_WORDS = {"unsigned", "signed", "const", "volatile"}


class NotAConstant(Exception):
    """The expansion of a macro is not an integer constant expression or a string."""


class Value:
    """An integer of a C type: the value wrapped to its width, the width and the signedness."""

    def __init__(self, number, bits=32, unsigned=False, hexadecimal=False):
        self.bits, self.unsigned, self.hexadecimal = bits, unsigned, hexadecimal
        mask = (1 << bits) - 1
        number &= mask
        if not unsigned and number >> (bits - 1):
            number -= 1 << bits
        self.number = number

    def promoted(self):
        if self.bits < 32:
            return Value(self.number, 32, False, self.hexadecimal)
        return self



# The C runtime's headers of its sys folder that are served empty when not found.
SERVED_EMPTY_SYS_HEADERS = ["locking.h", "stat.h", "timeb.h", "types.h", "utime.h"]

def CommonType(left, right):
    left, right = left.promoted(), right.promoted()
    bits = max(left.bits, right.bits)
    if left.bits == right.bits:
        unsigned = left.unsigned or right.unsigned
    else:
        unsigned = (left if left.bits > right.bits else right).unsigned
    return bits, unsigned


TOKEN = re.compile(r"""
    \s+
  | (?P<string>(?:L|u8|u|U)?"(?:[^"\\\n]|\\.)*")
  | (?P<char>(?:L|u|U)?'(?:[^'\\\n]|\\.)+')
  | (?P<number>\.?[0-9](?:[eEpP][+-]|[0-9A-Za-z_.])*)
  | (?P<name>[A-Za-z_][A-Za-z0-9_]*)
  | (?P<punct><<|>>|<=|>=|==|!=|&&|\|\||[-+*/%~!&|^<>()?:])
""", re.VERBOSE)


def Tokenize(text):
    tokens, position = [], 0
    while position < len(text):
        match = TOKEN.match(text, position)
        if not match:
            raise NotAConstant(text[position:])
        position = match.end()
        if match.lastgroup:
            tokens.append((match.lastgroup, match.group(match.lastgroup)))
    return tokens


def ParseInteger(text):
    """A C integer literal with its type, the way a 32-bit Windows compiler types it."""
    match = re.fullmatch(r"(0[xX][0-9A-Fa-f]+|0[0-7]*|[1-9][0-9]*)([uUlL]*|[iI](?:8|16|32|64))", text)
    if not match:
        raise NotAConstant(text)
    digits, suffix = match.group(1), match.group(2).lower()
    hexadecimal = digits[:2].lower() == "0x"
    number = int(digits, 16) if hexadecimal else int(digits, 8) if digits.startswith("0") else int(digits)
    if suffix.startswith("i"):
        bits = int(suffix[1:])
        return Value(number, max(bits, 32), False, hexadecimal)
    unsigned = "u" in suffix
    candidates = [(32, False), (32, True), (64, False), (64, True)]
    if suffix.count("l") == 2:
        candidates = candidates[2:]
    if unsigned:
        candidates = [c for c in candidates if c[1]]
    elif not hexadecimal and digits != "0" and not digits.startswith("0"):
        candidates = [c for c in candidates if not c[1]] + [(64, True)]
    for bits, is_unsigned in candidates:
        limit = 1 << (bits if is_unsigned else bits - 1)
        if number < limit:
            return Value(number, bits, is_unsigned, hexadecimal)
    raise NotAConstant(text)


SIMPLE_ESCAPES = {"n": 10, "t": 9, "r": 13, "0": 0, "\\": 92, "'": 39, '"': 34, "a": 7, "b": 8,
                  "f": 12, "v": 11}


def ParseCharacter(text):
    body = text[text.index("'") + 1:-1]
    if len(body) == 1:
        return Value(ord(body))
    if len(body) == 2 and body[0] == "\\" and body[1] in SIMPLE_ESCAPES:
        return Value(SIMPLE_ESCAPES[body[1]])
    raise NotAConstant(text)


class Expression:
    """A recursive-descent reader of one C constant expression over the tokens of an expansion."""

    BINARY_LEVELS = [["||"], ["&&"], ["|"], ["^"], ["&"], ["==", "!="], ["<", ">", "<=", ">="],
                     ["<<", ">>"], ["+", "-"], ["*", "/", "%"]]

    def __init__(self, tokens):
        self.tokens, self.index = tokens, 0

    def Peek(self, offset=0):
        position = self.index + offset
        return self.tokens[position] if position < len(self.tokens) else (None, None)

    def Take(self, text=None):
        kind, token = self.Peek()
        if kind is None or (text is not None and token != text):
            raise NotAConstant(f"expected {text}")
        self.index += 1
        return kind, token

    def Whole(self):
        value = self.Conditional()
        if self.index != len(self.tokens):
            raise NotAConstant("trailing tokens")
        return value

    def Conditional(self):
        condition = self.Binary(0)
        if self.Peek()[1] != "?":
            return condition
        self.Take("?")
        chosen = self.Conditional()
        self.Take(":")
        other = self.Conditional()
        bits, unsigned = CommonType(chosen, other)
        result = chosen if condition.number else other
        return Value(result.number, bits, unsigned, chosen.hexadecimal or other.hexadecimal)

    def Binary(self, level):
        if level == len(self.BINARY_LEVELS):
            return self.Unary()
        left = self.Binary(level + 1)
        while self.Peek()[0] == "punct" and self.Peek()[1] in self.BINARY_LEVELS[level]:
            operator = self.Take()[1]
            left = ApplyBinary(operator, left, self.Binary(level + 1))
        return left

    def CastType(self):
        """The integer type named between parentheses at the read position, or None."""
        if self.Peek()[1] != "(":
            return None
        words, offset = [], 1
        while self.Peek(offset)[0] == "name":
            words.append(self.Peek(offset)[1])
            offset += 1
        if not words or self.Peek(offset)[1] != ")":
            return None
        kept = [w for w in words if w not in TYPE_WORDS]
        if any(w not in INTEGER_TYPES for w in kept):
            raise NotAConstant("cast to " + " ".join(words))
        bits = 32 if not kept else 64 if kept.count("long") == 2 else INTEGER_TYPES[kept[-1]][0]
        unsigned = "unsigned" in words or (bool(kept) and INTEGER_TYPES[kept[-1]][1] and "signed" not in words)
        self.index += offset + 1
        return bits, unsigned

    def Unary(self):
        kind, token = self.Peek()
        cast = self.CastType()
        if cast:
            operand = self.Unary()
            return Value(operand.number, cast[0], cast[1], operand.hexadecimal)
        if kind == "punct" and token in ("-", "+", "~", "!"):
            self.Take()
            return ApplyUnary(token, self.Unary())
        if token == "(":
            self.Take()
            value = self.Conditional()
            self.Take(")")
            return value
        if kind == "number":
            self.Take()
            return ParseInteger(token)
        if kind == "char":
            self.Take()
            return ParseCharacter(token)
        raise NotAConstant(str(token))


def ApplyUnary(operator, operand):
    operand = operand.promoted()
    if operator == "!":
        return Value(0 if operand.number else 1)
    number = {"-": -operand.number, "+": operand.number, "~": ~operand.number}[operator]
    return Value(number, operand.bits, operand.unsigned, operand.hexadecimal)


def ApplyBinary(operator, left, right):
    hexadecimal = left.hexadecimal or right.hexadecimal
    if operator in ("<<", ">>"):
        left = left.promoted()
        count = right.number
        if count < 0 or count >= left.bits:
            raise NotAConstant("shift count")
        number = left.number << count if operator == "<<" else left.number >> count
        return Value(number, left.bits, left.unsigned, hexadecimal)
    if operator in ("&&", "||"):
        truth = (left.number and right.number) if operator == "&&" else (left.number or right.number)
        return Value(1 if truth else 0)
    bits, unsigned = CommonType(left, right)
    a, b = Value(left.number, bits, unsigned).number, Value(right.number, bits, unsigned).number
    comparisons = {"==": a == b, "!=": a != b, "<": a < b, ">": a > b, "<=": a <= b, ">=": a >= b}
    if operator in comparisons:
        return Value(1 if comparisons[operator] else 0)
    if operator in ("/", "%"):
        if b == 0:
            raise NotAConstant("division by zero")
        quotient = abs(a) // abs(b) * (1 if (a < 0) == (b < 0) else -1)
        number = quotient if operator == "/" else a - quotient * b
    else:
        number = {"+": a + b, "-": a - b, "*": a * b, "&": a & b, "|": a | b, "^": a ^ b}[operator]
    return Value(number, bits, unsigned, hexadecimal)


def StringValue(tokens):
    """The joined text of a run of string literals (possibly in parentheses), or None."""
    while len(tokens) >= 2 and tokens[0][1] == "(" and tokens[-1][1] == ")":
        tokens = tokens[1:-1]
    if not tokens or any(kind != "string" for kind, _ in tokens):
        return None
    text = "".join(token[token.index('"') + 1:-1] for _, token in tokens)
    if any(c == "\\" or c == '"' or not (" " <= c <= "~") for c in text):
        raise NotAConstant("string with escapes")
    return '"' + text + '"'


def RecordValue(expansion):
    """The record text of a macro's expanded value; raises NotAConstant when it is none."""
    tokens = Tokenize(expansion)
    if not tokens:
        raise NotAConstant("empty")
    text = StringValue(tokens)
    if text is not None:
        return text
    value = Expression(tokens).Whole()
    number, hexadecimal = value.number, value.hexadecimal
    if not -(1 << 31) <= number < (1 << 32):
        raise NotAConstant("wider than 32 bits")
    if number == -(1 << 31) or number > 0x7FFFFFFF:
        hexadecimal, number = True, number & 0xFFFFFFFF
    if number < 0:
        return str(number)
    return f"0x{number:X}" if hexadecimal else str(number)


# ---------------------------------------------------------------------------------------------
# Running the preprocessor


def CompilerFlags(include_dir, stub_dir, unicode):
    flags = ["-undef", "-nostdinc", "-isystem", include_dir, "-idirafter", stub_dir, "-x", "c"]
    for name, value in COMPILER_DEFINES + TARGET_DEFINES + (UNICODE_DEFINES if unicode else []):
        flags.append(f"-D{name}={value}")
    return flags


def RunPreprocessor(cc, flags, source, stub_dir, extra, errors_allowed=False):
    """Runs cc -E over source; a compiler-internal header the set asks for is stubbed empty.

    With errors_allowed, errors inside single expansions (token pasting that makes no token)
    are accepted: the lines concerned are not constants and are dropped later."""
    for _ in range(20):
        result = subprocess.run([cc, "-E", *extra, *flags, source], capture_output=True, text=True)
        fatal = "fatal error" in result.stderr
        if result.returncode == 0 or (errors_allowed and not fatal and result.stdout):
            return result.stdout
        missing = re.search(r"fatal error: ([^:\s]+): No such file or directory", result.stderr)
        if not missing:
            sys.exit(f"{cc} failed:\n{result.stderr}")
        stub = os.path.join(stub_dir, missing.group(1))
        os.makedirs(os.path.dirname(stub), exist_ok=True)
        open(stub, "w").close()
        print(f"note: compiler header {missing.group(1)} read as empty", file=sys.stderr)
    sys.exit(f"{cc} keeps failing:\n{result.stderr}")


# Files whose macros the table takes: the served headers and the two that windows.h reads for a
# resource script besides them (dde.rh through winresrc.h; sdkddkver.h, the target version
# constants that scripts test in #if). Macros of the general headers that the served ones pull
# in (winerror.h, wincrypt.h, the COM and C library headers, ...) are left out: no resource
# statement uses them, and a resource compiler reading windows.h does not see them either.
OWN_FILES = set(SERVED_HEADERS) | {"dde.rh", "sdkddkver.h"}

LINE_MARKER = re.compile(r'# \d+ "([^"]*)"')
DEFINE = re.compile(r"#define ([A-Za-z_][A-Za-z0-9_]*)(\(?)")
UNDEF = re.compile(r"#undef ([A-Za-z_][A-Za-z0-9_]*)")


def OwnObjectMacros(text):
    """Object-like macros that -dD output leaves defined, each last defined in an own file."""
    current, origin = "", {}
    for line in text.splitlines():
        if line.startswith("#"):
            marker, define, undef = LINE_MARKER.match(line), DEFINE.match(line), UNDEF.match(line)
            if marker:
                current = os.path.basename(marker.group(1))
            elif define:
                origin[define.group(1)] = current if not define.group(2) else None
            elif undef:
                origin.pop(undef.group(1), None)
    return [name for name, file in origin.items()
            if file in OWN_FILES or (file == "<command-line>" and name in KEPT_TARGET_NAMES)]


def CollectSdkRecords(cc, include_dir, work, unicode):
    """The records of one reading of the headers, with or without UNICODE defined."""
    stub_dir = os.path.join(work, "stubs")
    os.makedirs(stub_dir, exist_ok=True)
    flags = CompilerFlags(include_dir, stub_dir, unicode)
    present = [h for h in SERVED_HEADERS if os.path.exists(os.path.join(include_dir, h))]
    includes = "".join(f"#include <{h}>\n" for h in present)
    headers_c = os.path.join(work, "headers.c")
    with open(headers_c, "w") as out:
        out.write(includes)
    names = OwnObjectMacros(RunPreprocessor(cc, flags, headers_c, stub_dir, ["-dD"]))
    names.sort()

    # Expand every name in one run: each line is a marker, the name as a string (which the
    # preprocessor leaves alone), then the name, which it expands.
    expand_c = os.path.join(work, "expand.c")
    with open(expand_c, "w") as out:
        out.write(includes + RESOURCE_ID_MACROS)
        for name in names:
            out.write(f'@@ "{name}" {name}\n')
    expanded = RunPreprocessor(cc, flags, expand_c, stub_dir, ["-P"], errors_allowed=True)

    records, dropped = [], []
    for line in expanded.splitlines():
        match = re.match(r'@@ "([A-Za-z0-9_]+)" ?(.*)$', line)
        if not match:
            continue
        name, expansion = match.group(1), match.group(2)
        try:
            records.append((name, RecordValue(expansion)))
        except NotAConstant as reason:
            dropped.append((name, expansion, str(reason)))
    return present, records, dropped


# ---------------------------------------------------------------------------------------------
# Framework ids


def ReadFrameworkIds(path):
    records = []
    with open(path, encoding="ascii") as source:
        for number, line in enumerate(source, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            name, equals, value = line.partition("=")
            if not equals or not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", name) or \
                    not re.fullmatch(r"-?(0[xX][0-9A-Fa-f]+|[0-9]+)", value):
                sys.exit(f"{path}:{number}: not a NAME=integer record: {line}")
            records.append((name, value))
    return records


# ---------------------------------------------------------------------------------------------
# Writing the C++ files


def ReadNotice(path):
    with open(path, encoding="utf-8") as notice:
        return notice.read().rstrip("\n").splitlines()


def CppString(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def NoticeComment(notice):
    return ["// " + line if line else "//" for line in notice]


def RecordText(name, records):
    """The records as one text, a record a line: a table of views would cost the program a
    relocation per record at every start."""
    lines = [f"    {CppString(n + '=' + v)[:-1]}\\n\"" for n, v in records] or ['    ""']
    lines[-1] += ";"
    return [f"constexpr char {name}[] =", *lines]


def SplitByCharacterSet(wide_records, ansi_records):
    """The records alike in both readings, and those of each reading that the other lacks or
    gives another value."""
    wide, ansi = dict(wide_records), dict(ansi_records)
    common = [(n, v) for n, v in wide_records if ansi.get(n) == v]
    wide_only = [(n, v) for n, v in wide_records if ansi.get(n) != v]
    ansi_only = [(n, v) for n, v in ansi_records if wide.get(n) != v]
    return common, wide_only, ansi_only


def WriteSdkCpp(path, common, wide, ansi, notice, version):
    lines = [
        "// Generated by tools/generate_sdk_symbols.py from the Windows headers of mingw-w64",
        f"// {version}; do not edit. The constants the Windows SDK resource headers give a",
        "// resource script (RC_INVOKED defined, 32-bit Windows 10 target, wide class names",
        "// written without their L prefix), fully evaluated, one NAME=value record per line,",
        "// sorted by name: those alike with and without UNICODE, then those read with UNICODE",
        "// defined and those read without where the two readings differ.",
        "//",
        *NoticeComment(notice),
        '#include "data/sdk_symbols.h"',
        "",
        '#include <vector>',
        "",
        '#include "data/record_lines.h"',
        "",
        "namespace tarvex {",
        "namespace {",
        "",
        "// clang-format off",
        *RecordText("kSdkSymbols", common),
        "",
        *RecordText("kSdkWideSymbols", wide),
        "",
        *RecordText("kSdkAnsiSymbols", ansi),
        "// clang-format on",
        "",
        "}  // namespace",
        "",
        "std::span<const std::string_view> SdkHeaderSymbols() {",
        "  static const std::vector<std::string_view> records = RecordLines(kSdkSymbols);",
        "  return records;",
        "}",
        "",
        "std::span<const std::string_view> SdkCharacterSetSymbols(bool unicode) {",
        "  static const std::vector<std::string_view> wide = RecordLines(kSdkWideSymbols);",
        "  static const std::vector<std::string_view> ansi = RecordLines(kSdkAnsiSymbols);",
        "  if (unicode) return wide;",
        "  return ansi;",
        "}",
        "",
        "}  // namespace tarvex",
    ]
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


def ServedHeaderNames(include_dir):
    """Every .h name directly in the include folder, and the resource headers, in lower case,
    less the C library headers and the files served as text."""
    names = {name.lower() for name in os.listdir(include_dir)
             if name.lower().endswith(".h") and os.path.isfile(os.path.join(include_dir, name))}
    names |= set(SERVED_HEADERS)
    return sorted(names - set(EMPTY_HEADERS) - set(TEXT_FILES))


def WriteHeadersCpp(path, served, notice, version):
    empty = sorted(EMPTY_HEADERS)
    longest = max(len(h) for h in served + empty)
    lines = [
        "// Generated by tools/generate_sdk_symbols.py from the Windows headers of mingw-w64",
        f"// {version}; do not edit. The header names whose #include the built-in table of",
        "// sdk_symbols.cpp serves (every .h file directly in the set's include folder and the",
        "// resource headers), and the C library headers, which are served empty.",
        "//",
        *NoticeComment(notice),
        '#include "data/sdk_symbols.h"',
        "",
        "#include <algorithm>",
        "#include <array>",
        "",
        "namespace tarvex {",
        "namespace {",
        "",
        "// clang-format off",
        "// Lower case and sorted for binary search.",
        "constexpr std::string_view kServedSdkHeaders[] = {",
        *(f"    {CppString(h)}," for h in served),
        "};",
        "",
        "constexpr std::string_view kServedEmptyHeaders[] = {",
        *(f"    {CppString(h)}," for h in empty),
        "};",
        "",
        '// The C runtime\'s headers in its sys folder, named "sys/" or "sys\\\\" and one of these:',
        "// zlib's zconf.h includes <sys/types.h>.",
        "constexpr std::string_view kServedEmptySysHeaders[] = {",
        *(f"    {CppString(h)}," for h in SERVED_EMPTY_SYS_HEADERS),
        "};",
        "",
        f"constexpr std::size_t kLongestHeaderName = {longest};",
        "// clang-format on",
        "",
        "// Whether a bare header name (no directory part) is in a sorted list, ignoring case.",
        "bool IsListedHeader(std::span<const std::string_view> sorted, std::string_view includeName) {",
        "  if (includeName.empty() || includeName.size() > kLongestHeaderName) return false;",
        "  std::array<char, kLongestHeaderName> lower{};",
        "  for (std::size_t i = 0; i < includeName.size(); ++i) {",
        "    char c = includeName[i];",
        "    if (c == '/' || c == '\\\\') return false;",
        "    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;",
        "  }",
        "  std::string_view name(lower.data(), includeName.size());",
        "  return std::binary_search(sorted.begin(), sorted.end(), name);",
        "}",
        "",
        '// Whether `includeName` begins with the folder "sys" and one separator, in any letter case.',
        "bool InSysFolder(std::string_view includeName) {",
        "  return includeName.size() > 4 && (includeName[0] | 0x20) == 's' && (includeName[1] | 0x20) == 'y' &&",
        "         (includeName[2] | 0x20) == 's' && (includeName[3] == '/' || includeName[3] == '\\\\');",
        "}",
        "",
        "}  // namespace",
        "",
        "bool IsServedSdkHeader(std::string_view includeName) { return IsListedHeader(kServedSdkHeaders, includeName); }",
        "",
        "bool IsServedEmptyHeader(std::string_view includeName) {",
        "  if (InSysFolder(includeName)) return IsListedHeader(kServedEmptySysHeaders, includeName.substr(4));",
        "  return IsListedHeader(kServedEmptyHeaders, includeName);",
        "}",
        "",
        "}  // namespace tarvex",
    ]
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


RAW_DELIMITER = "text"


def ReadServedText(include_dir, name):
    with open(os.path.join(include_dir, name), encoding="ascii", newline="") as source:
        text = source.read()
    if f"){RAW_DELIMITER}\"" in text:
        sys.exit(f"{name} holds the raw string delimiter")
    return text


def WriteTextsCpp(path, texts, notice, version):
    lines = [
        "// Generated by tools/generate_sdk_symbols.py from the Windows headers of mingw-w64",
        f"// {version}; do not edit. The text of the script fragments that are served as",
        "// files, copied unchanged (each file's own notice is at its top).",
        "//",
        *NoticeComment(notice),
        '#include "data/sdk_symbols.h"',
        "",
        "namespace tarvex {",
        "namespace {",
        "",
        "struct TServedText {",
        "  std::string_view name;  // lower case",
        "  std::string_view text;",
        "};",
        "",
        "// clang-format off",
        "constexpr TServedText kServedTexts[] = {",
    ]
    for name, text in texts:
        lines.append(f'    {{{CppString(name)}, R"{RAW_DELIMITER}({text}){RAW_DELIMITER}"}},')
    lines += [
        "};",
        "// clang-format on",
        "",
        "bool EqualsIgnoringCase(std::string_view name, std::string_view lower) {",
        "  if (name.size() != lower.size()) return false;",
        "  for (std::size_t i = 0; i < name.size(); ++i) {",
        "    char c = name[i];",
        "    if (((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c) != lower[i]) return false;",
        "  }",
        "  return true;",
        "}",
        "",
        "}  // namespace",
        "",
        "std::string_view ServedHeaderText(std::string_view includeName) {",
        "  for (const TServedText& served : kServedTexts)",
        "    if (EqualsIgnoringCase(includeName, served.name)) return served.text;",
        "  return {};",
        "}",
        "",
        "}  // namespace tarvex",
    ]
    with open(path, "w", encoding="ascii", newline="") as out:
        out.write("\n".join(lines) + "\n")


def WriteFrameworkCpp(path, records):
    lines = [
        "// Generated by tools/generate_sdk_symbols.py; do not edit. The standard command, string",
        "// and control ids of the MFC and WTL frameworks that afxres.h and atlres.h give a",
        "// resource script, in the frameworks' own order, one NAME=value record per line.",
        '#include "data/sdk_symbols.h"',
        "",
        "namespace tarvex {",
        "namespace {",
        "",
        "// clang-format off",
        "constexpr std::string_view kFrameworkSymbols[] = {",
        *(f"    {CppString(name + '=' + value)}," for name, value in records),
        "};",
        "// clang-format on",
        "",
        "}  // namespace",
        "",
        "std::span<const std::string_view> FrameworkSymbols() { return kFrameworkSymbols; }",
        "",
        "}  // namespace tarvex",
    ]
    with open(path, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


def PackageVersion():
    result = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", "mingw-w64-common"],
                            capture_output=True, text=True)
    return f"(mingw-w64-common {result.stdout})" if result.returncode == 0 else "(mingw-w64-common)"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--include-dir", default="/usr/share/mingw-w64/include")
    parser.add_argument("--cc", default=os.environ.get("CC", "gcc"))
    parser.add_argument("--framework-ids", default=os.path.join(REPO, "..", "shared", "sdk", "mfc-ids.txt"))
    parser.add_argument("--output-dir", default=os.path.join(REPO, "data"))
    parser.add_argument("--dropped", help="write the dropped macros and the reasons to this file")
    options = parser.parse_args()
    if not os.path.isdir(options.include_dir):
        sys.exit(f"{options.include_dir} not found: install the mingw-w64-common package")

    with tempfile.TemporaryDirectory() as work:
        present, wide_records, dropped = CollectSdkRecords(options.cc, options.include_dir, work, True)
        _, ansi_records, _ = CollectSdkRecords(options.cc, options.include_dir, work, False)
    common, wide, ansi = SplitByCharacterSet(wide_records, ansi_records)
    notice = ReadNotice(os.path.join(options.output_dir, "sdk_symbols.NOTICE"))
    version = PackageVersion()
    WriteSdkCpp(os.path.join(options.output_dir, "sdk_symbols.cpp"), common, wide, ansi, notice, version)
    served = ServedHeaderNames(options.include_dir)
    WriteHeadersCpp(os.path.join(options.output_dir, "sdk_headers.cpp"), served, notice, version)
    texts = [(name, ReadServedText(options.include_dir, name)) for name in TEXT_FILES]
    WriteTextsCpp(os.path.join(options.output_dir, "sdk_texts.cpp"), texts, notice, version)
    framework = ReadFrameworkIds(options.framework_ids)
    WriteFrameworkCpp(os.path.join(options.output_dir, "framework_symbols.cpp"), framework)
    if options.dropped:
        with open(options.dropped, "w") as out:
            for name, expansion, reason in dropped:
                out.write(f"{name}\t{reason}\t{expansion}\n")
    missing = [h for h in SERVED_HEADERS if h not in present]
    print(f"read {len(present)} headers (not in the set: {', '.join(missing)})")
    print(f"{len(common)} SDK records, {len(wide)} with UNICODE and {len(ansi)} without, "
          f"{len(dropped)} macros dropped, {len(served)} header names, {len(framework)} framework records")


if __name__ == "__main__":
    main()
