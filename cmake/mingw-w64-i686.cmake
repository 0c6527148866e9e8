# Cross-compiling for 32-bit Windows with Debian's mingw-w64, posix threads, as for
# 64-bit: the program that runs on every Windows from 7 SP1 on, 32- and 64-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MIRELLO_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${MIRELLO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRELLO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRELLO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the mingw tree and the prefixes we build into,
# programs (Qt's moc, rcc and uic among them) from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MIRELLO_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
