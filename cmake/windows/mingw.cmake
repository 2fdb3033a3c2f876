# The cross build for Windows, shared by both bitnesses (VORLIX_MINGW_TRIPLE).
#
# The posix thread model: std::this_thread::sleep_for needs it with GCC 12. Everything is linked
# statically, so vorlix.exe needs no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VORLIX_MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${VORLIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VORLIX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VORLIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# GCC 12 warns wrongly about overlapping copies inside std::string (GCC bug 105329) when it
# inlines libstdc++'s Windows build; the warning says nothing about our code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The header-only libraries come from the build machine's Debian packages, through configs of
# our own that expose only their folders: /usr/include itself must never reach the cross
# compiler, its headers are the build machine's.
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE PATH "" FORCE)
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE PATH "" FORCE)

# Tests run under wine; one run per test program (see tests/CMakeLists.txt).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine.sh)
