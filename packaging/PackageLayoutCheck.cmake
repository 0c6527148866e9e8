# Read by cpack for each generator: a Debian package needs the system-wide layout,
# an archive the portable folder. `cpack -G DEB` on a build for the portable folder
# would otherwise install that folder under /usr.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_MIRELLO_INSTALL_LAYOUT STREQUAL "system")
    message(FATAL_ERROR "The Debian package needs a build configured with "
                        "-D MIRELLO_INSTALL_LAYOUT=system (the preset deb).")
endif()
if(CPACK_GENERATOR MATCHES "^(TGZ|TXZ|ZIP)$" AND NOT CPACK_MIRELLO_INSTALL_LAYOUT STREQUAL "folder")
    message(FATAL_ERROR "The archive needs a build configured with "
                        "-D MIRELLO_INSTALL_LAYOUT=folder (the preset archive).")
endif()
