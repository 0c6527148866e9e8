# `cpack` packs what installing lays out. The portable folder becomes
# mirello-<version>-Linux-<machine>.tar.gz, which unpacks into the one folder Mirello
# that a teacher can start from; the system-wide install becomes the Debian package
# mirello_<version>_<architecture>.deb, whose dependencies dpkg-shlibdeps finds from
# the program itself.
set(CPACK_PACKAGE_NAME mirello)
set(CPACK_PACKAGE_VENDOR Mirello)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "random roll call with a record of calls and grades")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_MIRELLO_INSTALL_LAYOUT ${MIRELLO_INSTALL_LAYOUT})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/PackageLayoutCheck.cmake)

if(MIRELLO_INSTALL_LAYOUT STREQUAL "folder")
    set(CPACK_GENERATOR TGZ)
    # The folder inside has no version: unpacking a newer archive where the old one
    # was unpacked upgrades the folder in place, and checkroll/ stays in it.
    set(CPACK_PACKAGE_FILE_NAME
        mirello-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_PACKAGING_INSTALL_PREFIX /Mirello)
else()
    set(MIRELLO_DEB_MAINTAINER "Mirello developers <mirello@users.noreply.github.com>"
        CACHE STRING "Maintainer named in the Debian package")
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MIRELLO_DEB_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SECTION education)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # Without a Chinese font every text is boxes; without the Wayland plugin Qt takes
    # the X11 compatibility layer of a Wayland desktop.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-zenhei, qt6-wayland")
    # Names read aloud, switched on in the feature menu.
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS
        "qt6-speech-speechd-plugin, speech-dispatcher, speech-dispatcher-espeak-ng")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # cpack puts the summary first and indents these lines; an empty one becomes " .".
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Mirello calls on students at random. A teacher picks a class, lets names
flicker past, stops on one student, picks a grade and records it: Mirello
raises that student's call counter and the tally of the grade in the class
roll file, a plain-text file (GBK or UTF-8) with one student per line.

Each user's classes live in ~/.local/share/Mirello/checkroll; two sample
classes are copied there on the first start. Installing, upgrading and
removing the package never touch that folder.")
endif()

include(CPack)
