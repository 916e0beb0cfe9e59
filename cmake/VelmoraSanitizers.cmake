# Instrumented builds.  Both are for the desktop only; the virtual camera is
# never instrumented (see virtual_camera/CMakeLists.txt).
#
# VELMORA_SANITIZE (GCC): everything built with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report ends the process with an error.
#   GCC links its ASan runtime as a shared library that must be the first
#   library of the process, so tests that preload the virtual camera preload
#   the runtime before it (VELMORA_TEST_PRELOAD_ENVIRONMENT).  Tests run with
#   LeakSanitizer off: each extension context's function table is kept by
#   design and is reported as lost once the host disposes of the context, so
#   leaks are checked by lifecycle_leak_test instead, which counts those tables.
#
# VELMORA_FUZZ (clang): the libraries the fuzz target loads are built with
#   -fsanitize=fuzzer-no-link,address,undefined; the target itself links
#   libFuzzer and clang's static sanitizer runtimes (fuzz/CMakeLists.txt).

if(VELMORA_SANITIZE AND VELMORA_FUZZ)
  message(FATAL_ERROR "VELMORA_SANITIZE and VELMORA_FUZZ need build folders of their own")
endif()

if(VELMORA_SANITIZE)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    message(FATAL_ERROR "VELMORA_SANITIZE expects GCC and its shared sanitizer runtimes")
  endif()
  # float-cast-overflow is not part of GCC's "undefined": script numbers
  # reach casts to integers, so it is asked for by name.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
                      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)

  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE VELMORA_ASAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${VELMORA_ASAN_RUNTIME}" OR NOT EXISTS "${VELMORA_ASAN_RUNTIME}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} names no ASan runtime (libasan.so)")
  endif()
  set(VELMORA_TEST_PRELOAD_ENVIRONMENT
      "LD_PRELOAD=${VELMORA_ASAN_RUNTIME}:${VELMORA_VIRTUAL_CAMERA_PATH}")
  set(VELMORA_TEST_SANITIZER_ENVIRONMENT
      "ASAN_OPTIONS=detect_leaks=0:strict_string_checks=1:detect_stack_use_after_return=1"
      "UBSAN_OPTIONS=print_stacktrace=1")
endif()

if(VELMORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELMORA_FUZZ needs clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++-14")
  endif()
  set(VELMORA_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
  add_compile_options(-fsanitize=fuzzer-no-link ${VELMORA_FUZZ_FLAGS})
  # Shared libraries leave the sanitizer runtime's symbols to the program
  # that loads them, which links the runtime statically.
  add_link_options(${VELMORA_FUZZ_FLAGS})
endif()
