# Rules for CMake's own RC language (enable_language(RC), .rc files among a target's
# sources) when the resource compiler is TARVEX, for use as
#
#   cmake -DCMAKE_RC_COMPILER=tarvex-rc \
#         -DCMAKE_USER_MAKE_RULES_OVERRIDE=<prefix>/lib/cmake/Tarvex/TarvexRCRules.cmake ...
#
# or set in a toolchain file. The rule follows the way the build links: for a GNU-style
# link (MinGW, or a Windows build whose C or C++ compiler is GNU or a clang that does not
# simulate MSVC) it is the windres-style line making a COFF object (.obj) for the
# machine of CMAKE_SYSTEM_PROCESSOR, as GNU ld takes no .res and CMake's Makefiles hand
# the objects of such a link over in an archive; otherwise it is the rc-style line
# making a .res. Either way the compiler writes a gcc-style dependency file naming
# every header, included script, icon, bitmap and data file it read, so Ninja and
# Makefile builds compile the script again when any of them changes. The script goes
# straight to TARVEX, whose preprocessor serves the Windows SDK headers it knows, so no
# Windows headers need to be installed.
#
# CMake reads this file for every language it enables. It changes the RC rules only, and
# only when CMAKE_RC_COMPILER is TARVEX: a name starting with "tarvex" or a link to the
# tarvex program, ending in "rc" or "windres" (tarvex-rc, tarvex-windres). When that
# name picks the other command line, the rule names the form with --mode.

if(CMAKE_RC_COMPILER)
  get_filename_component(_tarvex_rc_name "${CMAKE_RC_COMPILER}" NAME)
  get_filename_component(_tarvex_rc_real "${CMAKE_RC_COMPILER}" REALPATH)
  get_filename_component(_tarvex_rc_real "${_tarvex_rc_real}" NAME)
  string(TOLOWER "${_tarvex_rc_name}" _tarvex_rc_name)
  set(_tarvex_rc_named)
  if(_tarvex_rc_name MATCHES "^tarvex" OR _tarvex_rc_real STREQUAL "tarvex")
    if(_tarvex_rc_name MATCHES "windres$")
      set(_tarvex_rc_named windres)
    elseif(_tarvex_rc_name MATCHES "rc$")
      set(_tarvex_rc_named rc)
    endif()
  endif()

  if(_tarvex_rc_named)
    set(_tarvex_rc_gnu FALSE)
    if(MINGW OR CYGWIN)
      set(_tarvex_rc_gnu TRUE)
    elseif(WIN32)
      foreach(_tarvex_rc_lang C CXX)
        if(CMAKE_${_tarvex_rc_lang}_COMPILER_ID MATCHES "^(GNU|Clang)$"
           AND NOT CMAKE_${_tarvex_rc_lang}_SIMULATE_ID STREQUAL "MSVC")
          set(_tarvex_rc_gnu TRUE)
        endif()
      endforeach()
    endif()

    if(_tarvex_rc_gnu)
      set(_tarvex_rc_command "<CMAKE_RC_COMPILER>")
      if(NOT _tarvex_rc_named STREQUAL "windres")
        string(APPEND _tarvex_rc_command " --mode=windres")
      endif()
      string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" _tarvex_rc_processor)
      if(_tarvex_rc_processor MATCHES "^(amd64|x86_64|x64)$")
        string(APPEND _tarvex_rc_command " -F pe-x86-64")
      elseif(_tarvex_rc_processor MATCHES "^(arm64|aarch64)$")
        string(APPEND _tarvex_rc_command " -F pe-aarch64")
      elseif(_tarvex_rc_processor MATCHES "^(x86|i[3-6]86)$")
        string(APPEND _tarvex_rc_command " -F pe-i386")
      endif()
      set(CMAKE_RC_COMPILE_OBJECT "${_tarvex_rc_command} -O coff <DEFINES> <INCLUDES> <FLAGS> <SOURCE> <OBJECT>")
      set(CMAKE_RC_OUTPUT_EXTENSION .obj)
    else()
      set(_tarvex_rc_command "<CMAKE_RC_COMPILER>")
      if(NOT _tarvex_rc_named STREQUAL "rc")
        string(APPEND _tarvex_rc_command " --mode=rc")
      endif()
      set(CMAKE_RC_COMPILE_OBJECT "${_tarvex_rc_command} <DEFINES> <INCLUDES> <FLAGS> /fo <OBJECT> <SOURCE>")
      set(CMAKE_RC_OUTPUT_EXTENSION .res)
    endif()

    # Ninja reads the dependency file itself; Makefile builds read it through CMake's
    # compiler-generated dependencies.
    set(CMAKE_DEPFILE_FLAGS_RC "-MD -MT <DEP_TARGET> -MF <DEP_FILE>")
    set(CMAKE_RC_DEPFILE_FORMAT gcc)
    set(CMAKE_RC_DEPENDS_USE_COMPILER TRUE)
    set(CMAKE_NINJA_DEP_TYPE_RC gcc)
    set(CMAKE_NINJA_CMCLDEPS_RC 0)
  endif()
  foreach(_tarvex_rc_variable name real named gnu lang command processor)
    unset(_tarvex_rc_${_tarvex_rc_variable})
  endforeach()
  unset(_tarvex_rc_variable)
endif()
