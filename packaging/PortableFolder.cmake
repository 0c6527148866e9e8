# The portable program folder. Without --prefix it goes into the build tree rather
# than being spread over /usr/local. It carries the scripts that put the menu entry
# into a user's menu, and the Qt it runs on: qt.conf, which points Qt at the folder's
# plugins, then an install step that copies the Qt libraries and plugins the
# installed program loads, with what they need in turn.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/Mirello
        CACHE PATH "Program folder to install into" FORCE)
endif()
install(PROGRAMS install-desktop-entry.sh remove-desktop-entry.sh DESTINATION .)

find_program(MIRELLO_PATCHELF patchelf)
if(NOT MIRELLO_PATCHELF)
    set(MIRELLO_PATCHELF patchelf)
endif()
find_program(MIRELLO_DPKG_QUERY dpkg-query)

install(FILES qt.conf DESTINATION .)
install(CODE "
    set(MIRELLO_FOLDER \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(MIRELLO_QT_PLUGINS \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")
    set(MIRELLO_PATCHELF \"${MIRELLO_PATCHELF}\")
    set(MIRELLO_DPKG_QUERY \"${MIRELLO_DPKG_QUERY}\")
    include(\"${CMAKE_CURRENT_SOURCE_DIR}/BundleQt.cmake\")")
