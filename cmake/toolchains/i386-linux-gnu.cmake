# Builds everything as 32-bit x86 with the host's multilib GCC, against the
# i386 libraries that tools/i386_sysroot.sh unpacks into VELMORA_I386_ROOT
# (by default i386-root in the build folder), and runs the programs it
# builds (tests, discovery) through that folder's i386-run.
#
#   tools/i386_sysroot.sh build-i386/i386-root
#   cmake -S . -B build-i386 -DVELMORA_BENCHMARKS=OFF \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i386-linux-gnu.cmake
#
# The folder is searched rather than used as a sysroot: a sysroot would hide
# the multilib C and C++ runtimes, which the folder deliberately lacks.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

if(NOT VELMORA_I386_ROOT)
  set(VELMORA_I386_ROOT ${CMAKE_BINARY_DIR}/i386-root CACHE PATH
      "Folder with the unpacked i386 libraries (tools/i386_sysroot.sh)")
endif()
# Checks that try_compile runs in their own projects see the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_I386_ROOT)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# Android's 32-bit ARM has an unsigned char, i386 a signed one: everything
# built here is compiled the ARM way so that code relying on either shows up.
# Only char's signedness is changed; struct alignment (a double is 4-aligned
# on i386, 8-aligned on ARM) must stay i386's own to match Debian's prebuilt
# libraries.
set(_velmora_i386_compile_flags "-m32 -funsigned-char")
# The folder's multiarch headers (the kernel's asm/ among them) come last, as
# /usr/include/x86_64-linux-gnu does for a 64-bit build.
string(APPEND _velmora_i386_compile_flags
       " -idirafter ${VELMORA_I386_ROOT}/usr/include/i386-linux-gnu")
set(CMAKE_C_FLAGS_INIT "${_velmora_i386_compile_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_velmora_i386_compile_flags}")

set(_velmora_i386_library_dirs
  ${VELMORA_I386_ROOT}/usr/lib/i386-linux-gnu
  ${VELMORA_I386_ROOT}/lib/i386-linux-gnu
  ${VELMORA_I386_ROOT}/usr/lib/i386-linux-gnu/android
  ${VELMORA_I386_ROOT}/usr/lib/i386-linux-gnu/blas
  ${VELMORA_I386_ROOT}/usr/lib/i386-linux-gnu/lapack
  ${VELMORA_I386_ROOT}/usr/lib)
# The libraries' own dependencies are found at link time through the folder.
set(_velmora_i386_link_flags "-m32")
foreach(dir IN LISTS _velmora_i386_library_dirs)
  string(APPEND _velmora_i386_link_flags " -Wl,-rpath-link,${dir}")
endforeach()
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_velmora_i386_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_velmora_i386_link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_velmora_i386_link_flags}")

# Libraries, headers and packages come from the folder only; programs (the
# compilers, sh, readelf) from the host.
set(CMAKE_FIND_ROOT_PATH ${VELMORA_I386_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_I386_ROOT}/i386-run)
