# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The posix thread model
# is the one whose runtime has std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MIRELLO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MIRELLO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRELLO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRELLO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the mingw tree and the prefix we build into, programs
# from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MIRELLO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
