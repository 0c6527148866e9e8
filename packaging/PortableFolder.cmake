# The portable program folder. Without --prefix it goes into the build tree rather
# than being spread over /usr/local. It carries the scripts that put the menu entry
# into a user's menu, and everything the program runs on above the kernel: Qt with
# its plugins, the C and C++ runtimes and the C library's loader, copied by an install
# step from what the installed program and plugins load, with what they need in turn.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/Mirello
        CACHE PATH "Program folder to install into" FORCE)
endif()
install(PROGRAMS install-desktop-entry.sh remove-desktop-entry.sh DESTINATION .)

# What a teacher double-clicks: one static launcher per executable in bin/.
enable_language(C)
add_executable(mirello-launcher launcher.c)
set_target_properties(mirello-launcher PROPERTIES C_STANDARD 11 C_EXTENSIONS OFF)
target_compile_definitions(mirello-launcher PRIVATE _DEFAULT_SOURCE)
target_compile_options(mirello-launcher PRIVATE -Wall -Wextra -Wpedantic
                       $<$<BOOL:${MIRELLO_WARNINGS_AS_ERRORS}>:-Werror>)
target_link_options(mirello-launcher PRIVATE -static)
foreach(name mirello mirello-xlsx)
    install(PROGRAMS $<TARGET_FILE:mirello-launcher> DESTINATION . RENAME ${name})
endforeach()

# Packages unpacked with dpkg-deb -x rather than installed, for a plugin whose package
# cannot be installed beside the machine's own (the arm64 fcitx5 plugin on x86_64).
set(MIRELLO_UNPACKED_PACKAGES "" CACHE PATH "Folder of unpacked Debian packages with further Qt plugins")
set(unpacked_plugins)
if(MIRELLO_UNPACKED_PACKAGES)
    set(unpacked_plugins ${MIRELLO_UNPACKED_PACKAGES}/usr/${QT6_INSTALL_PLUGINS})
endif()

find_program(MIRELLO_DPKG_QUERY dpkg-query)
install(CODE "
    set(MIRELLO_FOLDER \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(MIRELLO_QT_PLUGINS \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")
    set(MIRELLO_UNPACKED_QT_PLUGINS \"${unpacked_plugins}\")
    set(MIRELLO_UNPACKED_PACKAGES \"${MIRELLO_UNPACKED_PACKAGES}\")
    set(MIRELLO_DPKG_QUERY \"${MIRELLO_DPKG_QUERY}\")
    include(\"${CMAKE_CURRENT_SOURCE_DIR}/BundleQt.cmake\")")
# Qt looks for qt.conf beside the file that /proc/self/exe names: the loader in lib/.
install(FILES qt-beside-loader.conf DESTINATION lib RENAME qt.conf)
