# Cross build of a static 64-bit Windows orvelc.exe with Debian's MinGW-w64
# (g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev). Used by mk/win.mk:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake ...
# The posix thread model is the one whose libstdc++ has std::thread and
# friends; the binary links everything statically so it runs on a bare
# Windows (or Wine) with no MinGW DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVEL_MINGW_PREFIX}-windres)

# Headers and libraries come from the MinGW sysroot only; programs run here.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for the MinGW sysroot, not the host: the host's
# Capstone and Unicorn are Linux libraries, so the tools that need them
# switch themselves off here.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${ORVEL_MINGW_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# The static zlib, not the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
# Windows gives the main thread 1 MiB of stack where Linux gives 8 MiB; the
# same reserve makes the deepest script one build accepts safe in the other.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--stack,8388608")
