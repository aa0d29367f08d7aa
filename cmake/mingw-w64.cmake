# Cross-compiles the Windows build with Debian's mingw-w64 (posix threads):
#   cmake/build-mingw-deps.sh build-win-deps
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The image libraries come from the script's prefix, build-win-deps beside
# this file's directory unless TAVU_MINGW_DEPS (a variable or the
# environment's) names another.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVU_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVU_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVU_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVU_MINGW_PREFIX}-windres)

if(NOT TAVU_MINGW_DEPS)
  if(DEFINED ENV{TAVU_MINGW_DEPS})
    set(TAVU_MINGW_DEPS $ENV{TAVU_MINGW_DEPS})
  else()
    get_filename_component(TAVU_MINGW_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-win-deps ABSOLUTE)
  endif()
endif()
# The try_compile projects read this file again and need the same prefix.
set(ENV{TAVU_MINGW_DEPS} ${TAVU_MINGW_DEPS})
if(NOT EXISTS ${TAVU_MINGW_DEPS}/lib/pkgconfig/spng.pc)
  message(FATAL_ERROR "No image libraries for mingw-w64 in ${TAVU_MINGW_DEPS}: run cmake/build-mingw-deps.sh ${TAVU_MINGW_DEPS} first")
endif()
# pkg-config sees the prefix's static libraries only, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${TAVU_MINGW_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
unset(ENV{PKG_CONFIG_SYSROOT_DIR})

set(CMAKE_FIND_ROOT_PATH /usr/${TAVU_MINGW_PREFIX} ${TAVU_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
