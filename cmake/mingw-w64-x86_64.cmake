# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (package mingw-w64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MSH_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MSH_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MSH_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MSH_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MSH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The compiler's own runtime goes into each binary, so they import nothing but system DLLs
# (and maxhost.dll); a missing libstdc++-6.dll would stop the load.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
