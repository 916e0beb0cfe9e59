# Locates OpenCV's core, imgproc and videoio modules and the Android log
# library.  Debian's per-module OpenCV packages ship no CMake package file and
# android-liblog-dev no pkg-config file, so on the desktop both are found by
# header and library name; an Android build finds OpenCV's SDK through
# OpenCV_DIR and the NDK's own log library.

set(_velmora_opencv_modules core imgproc videoio)
if(VELMORA_DESKTOP)
  list(APPEND _velmora_opencv_modules imgcodecs)
endif()

if(ANDROID)
  # OpenCV's Android SDK, through -DOpenCV_DIR=<sdk>/sdk/native/jni: its
  # configuration picks the ABI's libraries and names each module's target
  # opencv_<module>.
  find_package(OpenCV REQUIRED COMPONENTS ${_velmora_opencv_modules})
else()
  find_package(OpenCV QUIET COMPONENTS ${_velmora_opencv_modules})
endif()
if(OpenCV_FOUND)
  foreach(module IN LISTS _velmora_opencv_modules)
    add_library(velmora::opencv_${module} INTERFACE IMPORTED)
    target_link_libraries(velmora::opencv_${module} INTERFACE opencv_${module})
  endforeach()
else()
  find_path(VELMORA_OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
  foreach(module IN LISTS _velmora_opencv_modules)
    find_library(VELMORA_OPENCV_${module}_LIBRARY opencv_${module} REQUIRED)
    add_library(velmora::opencv_${module} UNKNOWN IMPORTED)
    set_target_properties(velmora::opencv_${module} PROPERTIES
      IMPORTED_LOCATION ${VELMORA_OPENCV_${module}_LIBRARY}
      INTERFACE_INCLUDE_DIRECTORIES ${VELMORA_OPENCV_INCLUDE_DIR})
    if(NOT module STREQUAL "core")
      set_target_properties(velmora::opencv_${module} PROPERTIES
        INTERFACE_LINK_LIBRARIES velmora::opencv_core)
    endif()
  endforeach()
endif()

if(ANDROID)
  find_library(VELMORA_ANDROID_LOG_LIBRARY log REQUIRED)
  add_library(velmora::android_log UNKNOWN IMPORTED)
  set_target_properties(velmora::android_log PROPERTIES
    IMPORTED_LOCATION ${VELMORA_ANDROID_LOG_LIBRARY})
else()
  find_path(VELMORA_ANDROID_LOG_INCLUDE_DIR android/log.h PATH_SUFFIXES android REQUIRED)
  find_library(VELMORA_ANDROID_LOG_LIBRARY log PATH_SUFFIXES android REQUIRED)
  add_library(velmora::android_log UNKNOWN IMPORTED)
  set_target_properties(velmora::android_log PROPERTIES
    IMPORTED_LOCATION ${VELMORA_ANDROID_LOG_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${VELMORA_ANDROID_LOG_INCLUDE_DIR})
  # liblog lives outside the loader's search path: everything that links it
  # carries a run path to its folder, in the build tree and when installed.
  get_filename_component(VELMORA_ANDROID_LOG_DIR ${VELMORA_ANDROID_LOG_LIBRARY} DIRECTORY)
  list(APPEND CMAKE_BUILD_RPATH ${VELMORA_ANDROID_LOG_DIR})
  list(APPEND CMAKE_INSTALL_RPATH ${VELMORA_ANDROID_LOG_DIR})
endif()

if(VELMORA_DESKTOP)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    # No GoogleTest built for this target (the i386 build): build Debian's
    # sources along with the project; they name their targets GTest::*.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  endif()
  include(GoogleTest)
  find_package(Threads REQUIRED)
endif()
if(VELMORA_DESKTOP AND VELMORA_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
