# tarvex_add_resources(<target> <script.rc>...
#                      [INCLUDE_DIRECTORIES <dir>...] [DEFINITIONS <name[=value]>...]
#                      [COFF | RES] [MACHINE x86|x64|arm64])
#
# Compiles each resource script into the build tree and adds the result to the sources
# of <target>: a COFF object (.obj) when the target links GNU-style, a .res file
# otherwise. GNU-style is a MinGW or Cygwin toolchain (MINGW, CYGWIN), or a Windows
# build whose C or C++ compiler is GNU or a GNU-style clang (one that does not simulate
# MSVC); GNU ld takes no .res file. COFF or RES overrides the choice. Every compilation
# writes a dependency file naming the script, each header and included script, and
# each icon, cursor, bitmap, font and data file it read, so Ninja and Makefile builds
# recompile the script when any of them changes. Relative script and folder names are
# taken from the current source folder. MACHINE sets the machine of the COFF object;
# without it the machine follows CMAKE_SYSTEM_PROCESSOR (AMD64/x86_64: x64,
# ARM64/aarch64: arm64, anything else x86); it is ignored when a .res is chosen. Call it
# in the folder that creates <target>.

# The depfile paths are absolute and CMake must hand them to Ninja relative to the build
# folder; a function keeps the policies in force where it is defined.
if(CMAKE_VERSION VERSION_LESS 3.20)
  message(FATAL_ERROR "tarvex_add_resources needs CMake 3.20 or newer")
endif()
cmake_policy(PUSH)
cmake_policy(SET CMP0116 NEW)

# The --machine value for a COFF object when none is given.
function(_tarvex_default_machine result)
  string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" processor)
  if(processor MATCHES "^(amd64|x86_64|x64)$")
    set(${result} x64 PARENT_SCOPE)
  elseif(processor MATCHES "^(arm64|aarch64)$")
    set(${result} arm64 PARENT_SCOPE)
  else()
    set(${result} x86 PARENT_SCOPE)
  endif()
endfunction()

# The output of `script` (absolute) for `target`: its path below the current source
# or build folder, under <build folder>/tarvex/<target>/, with `extension`.
function(_tarvex_output_name result target script extension)
  cmake_path(IS_PREFIX CMAKE_CURRENT_BINARY_DIR "${script}" NORMALIZE in_build)
  if(in_build)
    cmake_path(RELATIVE_PATH script BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" OUTPUT_VARIABLE relative)
  else()
    cmake_path(RELATIVE_PATH script BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" OUTPUT_VARIABLE relative)
  endif()
  # A script outside both folders must still land inside the build folder.
  string(REPLACE "../" "__/" relative "${relative}")
  cmake_path(REPLACE_EXTENSION relative LAST_ONLY "${extension}")
  set(${result} "${CMAKE_CURRENT_BINARY_DIR}/tarvex/${target}/${relative}" PARENT_SCOPE)
endfunction()

# Whether the build links GNU-style, so that resources must come as a COFF object.
function(_tarvex_links_gnu_style result)
  set(gnu FALSE)
  if(MINGW OR CYGWIN)
    set(gnu TRUE)
  elseif(WIN32)
    foreach(lang C CXX)
      if(CMAKE_${lang}_COMPILER_LOADED AND NOT CMAKE_${lang}_SIMULATE_ID STREQUAL "MSVC"
         AND (CMAKE_${lang}_COMPILER_ID MATCHES "^(GNU|Clang)$" OR CMAKE_${lang}_SIMULATE_ID STREQUAL "GNU"))
        set(gnu TRUE)
      endif()
    endforeach()
  endif()
  set(${result} ${gnu} PARENT_SCOPE)
endfunction()

function(tarvex_add_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "COFF;RES" "MACHINE" "INCLUDE_DIRECTORIES;DEFINITIONS")
  if(NOT TARGET "${target}")
    message(FATAL_ERROR "tarvex_add_resources: ${target} is not a target")
  endif()
  if(NOT ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tarvex_add_resources: no resource script given for ${target}")
  endif()

  set(options)
  foreach(dir IN LISTS ARG_INCLUDE_DIRECTORIES)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    list(APPEND options "-I${dir}")
  endforeach()
  foreach(definition IN LISTS ARG_DEFINITIONS)
    list(APPEND options "-D${definition}")
  endforeach()
  if(ARG_COFF AND ARG_RES)
    message(FATAL_ERROR "tarvex_add_resources: COFF and RES exclude each other")
  endif()
  if(NOT ARG_COFF AND NOT ARG_RES)
    _tarvex_links_gnu_style(ARG_COFF)
  endif()
  set(extension .res)
  if(ARG_COFF)
    if(NOT ARG_MACHINE)
      _tarvex_default_machine(ARG_MACHINE)
    endif()
    list(APPEND options --coff "--machine=${ARG_MACHINE}")
    set(extension .obj)
  elseif(ARG_MACHINE AND ARG_RES)
    message(FATAL_ERROR "tarvex_add_resources: MACHINE is for a COFF object, not with RES")
  endif()

  set(outputs)
  foreach(script IN LISTS ARG_UNPARSED_ARGUMENTS)
    cmake_path(ABSOLUTE_PATH script BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    _tarvex_output_name(output "${target}" "${script}" "${extension}")
    cmake_path(GET output PARENT_PATH output_dir)
    file(MAKE_DIRECTORY "${output_dir}")
    cmake_path(RELATIVE_PATH output BASE_DIRECTORY "${CMAKE_BINARY_DIR}" OUTPUT_VARIABLE shown)
    # The script is named by its absolute path, so every file the compiler opens beside
    # it appears in the dependency file with an absolute path too.
    add_custom_command(OUTPUT "${output}"
      COMMAND Tarvex::tarvex "--depfile=${output}.d" ${options} "${script}" "${output}"
      DEPENDS "${script}" Tarvex::tarvex
      DEPFILE "${output}.d"
      WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
      COMMENT "Compiling resource script ${shown}"
      VERBATIM)
    list(APPEND outputs "${output}")
  endforeach()
  # An external object reaches the link line of executables and libraries as it is.
  set_source_files_properties(${outputs} PROPERTIES GENERATED TRUE EXTERNAL_OBJECT TRUE)
  target_sources(${target} PRIVATE ${outputs})
endfunction()

cmake_policy(POP)
