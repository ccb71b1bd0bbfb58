# Windows x64 with the GNU ABI (MinGW): clang compiles, ld.lld links. No C runtime is
# installed, so nothing but the program's own objects is linked.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-windows-gnu)
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every program")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib -Wl,-e,entry")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# As cross toolchains do, packages are looked for below the target's root only, where no
# program of the build machine is: find_package(Tarvex) then needs Tarvex_DIR.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
