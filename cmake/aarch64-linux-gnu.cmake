# Cross-compiling for arm64 Linux with Debian's aarch64 compiler, against Debian's
# arm64 packages installed beside the machine's own (multiarch): the program folder
# for Phytium and Kirin machines.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Qt's code generators (moc, rcc, uic) are the build machine's own.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
# pkg-config, which some of Qt's packages ask, reads the arm64 libraries' files.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
