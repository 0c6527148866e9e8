# Compiler settings shared by every target of the project, applied through one
# interface library so that a target opts in by linking it.
add_library(mirello_options INTERFACE)

# Rebuilds after a branch switch or a clean clone reuse earlier compilations.
find_program(MIRELLO_CCACHE ccache)
if(MIRELLO_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${MIRELLO_CCACHE})
endif()

target_compile_options(mirello_options INTERFACE -Wall -Wextra -Wpedantic)
if(MIRELLO_WARNINGS_AS_ERRORS)
    target_compile_options(mirello_options INTERFACE -Werror)
endif()

# Every conversion between bytes and QString must name its encoding: roll files
# are GBK or UTF-8 by file, so an implicit Latin-1/UTF-8 cast would be a bug.
target_compile_definitions(mirello_options INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)

# Every source sees first what Qt 6 has and Qt 5.15 lacks; Qt 5 builds find the Qt 6
# headers they lack in platform/qt5/.
target_compile_options(mirello_options INTERFACE -include ${PROJECT_SOURCE_DIR}/platform/QtCompat.h)
if(MIRELLO_QT_MAJOR EQUAL 5)
    target_include_directories(mirello_options INTERFACE ${PROJECT_SOURCE_DIR}/platform/qt5)
    # g++ 12 at -O3 takes Qt 5's QStringBuilder, inlined, for an overflow of the
    # string's header (a known false alarm of that warning), in Qt's own code.
    target_compile_options(mirello_options INTERFACE -Wno-stringop-overflow)
endif()

# The Windows program runs on Windows 7 SP1 and later: a call that Windows 7 lacks does
# not compile, and a newer one worth having is looked up at run time.
if(WIN32)
    target_compile_definitions(mirello_options INTERFACE _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(MIRELLO_SANITIZE)
    target_compile_options(mirello_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(mirello_options INTERFACE -fsanitize=address,undefined)
endif()

# Coverage instrumentation for libFuzzer (clang only); the fuzz targets add the driver.
if(MIRELLO_FUZZ)
    target_compile_options(mirello_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(mirello_options INTERFACE -fsanitize=address,undefined)
endif()

# The Windows build's programs run here under wine, against the DLLs of the Qt they
# were built with: the tests through CTest, and the helpers they start.
if(WIN32 AND CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env
        MIRELLO_WINDOWS_DEPS=${MIRELLO_QT_PREFIX} ${PROJECT_SOURCE_DIR}/scripts/wine)
endif()
