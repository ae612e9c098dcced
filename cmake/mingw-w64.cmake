# SPDX-License-Identifier: MIT
# Toolchain for the 64-bit Windows build with Debian's MinGW-w64 (the POSIX
# thread model, so std::thread and std::mutex work). Programs are linked
# statically: they need no MinGW runtime, libstdc++ or winpthread DLL beside
# them, only the DLLs every Windows has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(VEXLAN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VEXLAN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXLAN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXLAN_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# Libraries and headers come from the MinGW sysroot and from the folder the
# cross-built dependencies are installed in (scripts/build-windows passes it
# as VEXLAN_WINDOWS_DEPS); programs such as nasm come from the build machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEXLAN_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${VEXLAN_MINGW_TRIPLE})
if(VEXLAN_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VEXLAN_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static libgcc, libstdc++ and winpthread.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
