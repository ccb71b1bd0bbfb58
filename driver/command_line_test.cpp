// The option shapes of the rc-style and windres-style command lines, read without
// compiling anything: each row is a command line and what it describes, or the refusal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "driver/rc_command_line.h"
#include "driver/windres_command_line.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

std::string Describe(const TInvocation& invocation) {
  std::ostringstream text;
  text << invocation.input << " -> " << invocation.output;
  for (const std::string& folder : invocation.compile.includeDirectories) text << " I=" << folder;
  for (const std::string& name : invocation.compile.defines) text << " D=" << name;
  for (const std::string& name : invocation.compile.undefines) text << " U=" << name;
  text << std::hex << " lang=" << invocation.compile.defaultLanguage << " " << invocation.compile.codePage;
  if (invocation.compile.nullTerminatedStrings) text << " /n";
  if (invocation.verbose) text << " verbose";
  if (invocation.inputIsRes) text << " res-in";
  if (invocation.html) text << " html";
  if (invocation.coff)
    text << (invocation.machine == TMachine::X86 ? " x86" : invocation.machine == TMachine::X64 ? " x64" : " arm64");
  const TDependencyRequest& dependencies = invocation.dependencies;
  if (dependencies.wanted || !dependencies.file.empty() || !dependencies.targets.empty())
    text << " deps" << (dependencies.wanted ? "" : "(off)") << "[" << dependencies.file << "|" << dependencies.targets
         << "]";
  return text.str();
}

std::string DescribeRc(const std::vector<std::string>& args) {
  try {
    TRcCommand command = ParseRcCommandLine(args);
    return command.help ? "help" : Describe(command.invocation);
  } catch (const TCommandLineError& failure) {
    return std::string("error: ") + failure.what();
  }
}

std::string DescribeWindres(const std::string& program, const std::vector<std::string>& args) {
  try {
    TWindresCommand command = ParseWindresCommandLine(args, program);
    if (command.decompile)
      return "decompile " + command.invocation.input + " -> " + command.invocation.output +
             (command.decompileKind.empty() ? "" : " " + command.decompileKind) +
             (command.names.empty() ? "" : " H=" + command.names);
    return command.help ? "help" : command.version ? "version" : Describe(command.invocation);
  } catch (const TCommandLineError& failure) {
    return std::string("error: ") + failure.what();
  }
}

TEST(RcCommandLineTest, OptionShapes) {
  unsetenv("INCLUDE");
  const std::string tail = " lang=409 CP1252";
  const std::vector<std::pair<std::vector<std::string>, std::string>> shapes = {
      {{"-FO", "out.res", "App.RC"}, "App.RC -> out.res" + tail},
      // Absolute paths: a second "/" makes a file name, never an option with a joined value.
      {{"/fo", "/tmp/out.res", "/home/me/app.rc"}, "/home/me/app.rc -> /tmp/out.res" + tail},
      {{"/Fo/tmp/out.res", "app.rc"}, "error: one script per run: /Fo/tmp/out.res and app.rc"},
      {{"dir.v2/app"}, "dir.v2/app -> dir.v2/app.res" + tail},
      {{"/i", "inc", "-Iinc2", "/Iinc3", "-I", "/abs/inc", "-i/abs2", "app.rc"},
       "app.rc -> app.res I=inc I=inc2 I=inc3 I=/abs/inc I=/abs2" + tail},
      {{"/d", "A", "-DB=2", "/dC=x y", "-D", "E=", "/u", "F", "-UG", "app.rc"},
       "app.rc -> app.res D=A D=B=2 D=C=x y D=E= U=F U=G" + tail},
      {{"/l", "0x407", "app.rc"}, "app.rc -> app.res lang=407 CP1252"},
      {{"/c", "65001", "app.rc"}, "app.rc -> app.res lang=409 UTF-8"},
      {{"/n", "/X", "/nologo", "/r", "-W", "/v", "app.rc"}, "app.rc -> app.res" + tail + " /n verbose"},
      {{"/?"}, "help"},
      {{"app.rc", "-MD", "-MF", "x.d", "-MTobj/t1", "-MQ", "a b$"},
       "app.rc -> app.res" + tail + " deps[x.d|obj/t1 a\\ b$$]"},
      {{"--depfile=x.d", "app.rc"}, "app.rc -> app.res" + tail + " deps[x.d|]"},
      {{"--depfile", "x.d", "app.rc"}, "app.rc -> app.res" + tail + " deps[x.d|]"},
      {{"/y", "app.rc"}, "error: unknown option /y"},
      {{"//app.rc"}, "//app.rc -> //app.res" + tail},
      {{"-md", "app.rc"}, "error: unknown option -md"},
      {{"--fo", "x", "app.rc"}, "error: unknown option --fo"},
      {{"-", "app.rc"}, "error: unknown option -"},
      {{"app.rc", "/fo"}, "error: option /fo needs a value"},
      {{"app.rc", "--depfile"}, "error: option --depfile needs a file name"},
      {{"/nologo"}, "error: no resource script named"},
      {{"/l", "0x10409", "a.rc"}, "error: option /l needs a language id in hexadecimal (0x409 or 409): 0x10409"},
      {{"/c", "99999", "a.rc"}, "error: option /c needs a code page this system can read: 99999"},
      {{"/d", "=1", "a.rc"}, "error: option /d needs a name: /d NAME or /d NAME=value"},
  };
  for (const auto& [args, expected] : shapes) EXPECT_EQ(DescribeRc(args), expected) << args.front();
  setenv("INCLUDE", "/sdk/inc;/usr/inc:rel", 1);
  EXPECT_EQ(DescribeRc({"/i", "mine", "a.rc"}), "a.rc -> a.res I=mine I=/sdk/inc I=/usr/inc I=rel lang=409 CP1252");
  EXPECT_EQ(DescribeRc({"/i", "mine", "/x", "a.rc"}), "a.rc -> a.res I=mine lang=409 CP1252");
  unsetenv("INCLUDE");
}

TEST(WindresCommandLineTest, OptionShapes) {
  const std::string tail = " lang=409 CP1252", x64 = tail + " x64";
  const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> shapes = {
      {"tarvex-windres", {"-iapp.rc", "-oapp.res"}, "app.rc -> app.res" + tail},
      {"tarvex-windres", {"--input=app.rc", "--output", "app.res", "--output-format=coff"}, "app.rc -> app.res" + x64},
      {"tarvex-windres", {"app.res", "app.o"}, "app.res -> app.o" + tail + " res-in x64"},
      {"tarvex-windres", {"-J", "res", "x.bin", "-Ores", "y"}, "x.bin -> y" + tail + " res-in"},
      {"tarvex-windres", {"--output-format=html", "a.res", "a.html"}, "a.res -> a.html" + tail + " res-in html"},
      {"tarvex-windres", {"--input-format=rc", "a.res", "b.obj"}, "a.res -> b.obj" + x64},
      {"tarvex-windres", {"-Fpe-i386", "a.rc", "a.o"}, "a.rc -> a.o" + tail + " x86"},
      {"tarvex-windres", {"--target=pe-aarch64", "a.rc", "a.o"}, "a.rc -> a.o" + tail + " arm64"},
      {"tarvex-windres", {"--target", "pe-x86-64", "a.rc", "a.o"}, "a.rc -> a.o" + x64},
      {"i686-w64-mingw32-windres", {"a.rc", "a.o"}, "a.rc -> a.o" + tail + " x86"},
      {"aarch64-w64-mingw32-windres", {"a.rc", "a.o"}, "a.rc -> a.o" + tail + " arm64"},
      {"armv7-w64-mingw32-windres", {"-F", "pe-i386", "a.rc", "a.o"}, "a.rc -> a.o" + tail + " x86"},
      {"windres",
       {"-I", "inc", "--include-dir=inc2", "-Iinc3", "-DA", "-D", "B=1", "--define", "C", "-UD", "--undefine=E", "a.rc",
        "a.o"},
       "a.rc -> a.o I=inc I=inc2 I=inc3 D=A D=B=1 D=C U=D U=E" + x64},
      {"windres", {"-l", "0x407", "-c", "0xfde9", "a.rc", "a.o"}, "a.rc -> a.o lang=407 UTF-8 x64"},
      {"windres",
       {"--preprocessor", "cpp", "--preprocessor=gcc -E", "--use-temp-file", "--no-use-temp-file", "-r", "-v", "a.rc",
        "a.o"},
       "a.rc -> a.o" + tail + " verbose x64"},
      {"windres",
       {"--preprocessor-arg=-DX", "--preprocessor-arg", "-Iinc", "--preprocessor-arg=-Wall", "--preprocessor-arg=-D",
        "--preprocessor-arg=Y=2", "--preprocessor-arg=-UZ", "a.rc", "a.o"},
       "a.rc -> a.o I=inc D=X D=Y=2 U=Z" + x64},
      {"windres", {"-MD", "-MF", "d", "-MQ", "$o", "a.rc", "a.o"}, "a.rc -> a.o" + x64 + " deps[d|$$o]"},
      {"windres",
       {"--preprocessor-arg=-MD", "--preprocessor-arg=-MQa b.o", "--preprocessor-arg=-MFa.d", "a.rc", "a.o"},
       "a.rc -> a.o" + x64 + " deps[a.d|a\\ b.o]"},
      {"windres", {"--depfile=x.d", "a.rc", "a.o"}, "a.rc -> a.o" + x64 + " deps[x.d|]"},
      {"windres", {"--version"}, "version"},
      {"windres", {"-h"}, "help"},
      {"armv7-w64-mingw32-windres",
       {"a.rc", "a.o"},
       "error: no COFF objects for the machine armv7 of the program name; name a target with -F (pe-i386, "
       "pe-x86-64, pe-aarch64)"},
      {"windres", {"-vr", "a.rc", "a.o"}, "error: unknown option -vr"},
      {"windres", {"--inp=a.rc", "a.o"}, "error: unknown option --inp=a.rc"},
      {"windres", {"--help=x"}, "error: option --help takes no value"},
      {"windres", {"--preprocessor-arg=-I"}, "error: option --preprocessor-arg=-I needs a value"},
      {"windres", {"a.rc"}, "error: no output file named (-o or the second file name)"},
      {"windres", {"-o", "a.o"}, "error: no input file named (-i or the first file name)"},
      {"windres", {"a.rc", "b.o", "c.o"}, "error: one input and one output per run: a.rc, b.o and c.o"},
      {"windres", {"a.rc", "-"}, "error: reading standard input is not supported"},
      {"windres", {"-J", "coff", "a.o", "b.o"}, "error: input format coff is read only to write a script (-O rc)"},
      {"windres", {"-J", "xml", "a.o", "b.o"}, "error: input format xml is not supported (rc or res)"},
      {"windres", {"-O", "xml", "a.res", "b.x"}, "error: output format xml is not supported (res, coff, html or rc)"},
      {"windres", {"-O", "rc", "a.res", "b.txt"}, "decompile a.res -> b.txt"},
      {"windres", {"a.dll", "b.rc"}, "decompile a.dll -> b.rc"},
      {"windres", {"-J", "pe", "-O", "rc", "a.dll"}, "decompile a.dll ->  pe"},
      {"windres", {"--input-format=coff", "--names=ids.h", "a.o", "a.rc"}, "decompile a.o -> a.rc coff H=ids.h"},
      {"windres",
       {"-H", "ids.h", "a.rc", "a.res"},
       "error: option -H names ids of a decompiled script: it needs -O rc"},
      {"windres", {"-J", "rc", "-O", "rc", "a.rc"}, "error: input format rc cannot be decompiled (res, coff or pe)"},
      {"windres", {"-F", "pe-arm", "a.rc", "a.o"}, "error: unknown target pe-arm (pe-i386, pe-x86-64 or pe-aarch64)"},
      {"windres", {"-c", "0xzz", "a.rc", "a.o"}, "error: option -c needs a code page this system can read: 0xzz"},
      {"windres", {"-D", "", "a.rc", "a.o"}, "error: option -D needs a name: -D NAME or -D NAME=value"},
  };
  for (const auto& [program, args, expected] : shapes)
    EXPECT_EQ(DescribeWindres(program, args), expected) << program << " " << (args.empty() ? "" : args.front());
}

TEST(ResponseFileTest, ArgumentsQuotesNestingAndRefusals) {
  test::TTempDir dir;
  test::TWorkingDirectory cwd(dir.Path());
  dir.Write("args.rsp", "/fo \"out dir/x.res\" -DA='1 2'\n\t@inner.rsp\n");
  dir.Write("inner.rsp", "-I inc\\ 2 app.rc\n");
  dir.Write("self.rsp", "/n @./self.rsp\n");
  dir.Write("a.rsp", "@b.rsp");
  dir.Write("b.rsp", "@a.rsp");
  EXPECT_EQ(ExpandResponseFiles({"/v", "@args.rsp", "@", "-MD"}),
            (std::vector<std::string>{"/v", "/fo", "out dir/x.res", "-DA=1 2", "-I", "inc 2", "app.rc", "@", "-MD"}));
  EXPECT_EQ(DescribeRc(ExpandResponseFiles({"@args.rsp"})), "app.rc -> out dir/x.res I=inc 2 D=A=1 2 lang=409 CP1252");
  for (const auto& [argument, refusal] : std::vector<std::pair<std::string, std::string>>{
           {"@self.rsp", "response file ./self.rsp names itself"},
           {"@a.rsp", "response file a.rsp names itself"},
           {"@missing.rsp", "cannot read response file missing.rsp: No such file or directory"},
           {"@.", "cannot read response file .: Is a directory"}}) {
    EXPECT_EQ(test::ErrorOf([&] { ExpandResponseFiles({argument}); }, "accepted"), refusal);
  }
}

}  // namespace
}  // namespace tarvex
