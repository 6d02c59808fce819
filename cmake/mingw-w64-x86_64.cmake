# Cross-builds for 64-bit Windows with Debian's mingw-w64, in its POSIX threads flavour so that
# std::thread and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVANTA_MINGW_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KORVANTA_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVANTA_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVANTA_MINGW_HOST}-windres)

# Libraries and headers come from the Windows prefixes only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KORVANTA_MINGW_HOST} ${KORVANTA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libstdc++, libgcc, winpthread) goes inside each program, so only
# the libraries we build ourselves travel as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# pkg-config must see the Windows prefix, never the build machine's .pc files.
if(KORVANTA_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${KORVANTA_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
