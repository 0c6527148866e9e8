# Where installing puts the program. "folder" lays out one portable program folder
# that carries its own Qt and runs wherever it is unpacked: the archive. "system"
# installs under a prefix such as /usr, using the system's Qt, with the program
# folder in lib/mirello and the classes in each user's data folder: the Debian package.
set(MIRELLO_INSTALL_LAYOUT folder CACHE STRING "Install layout: folder or system")
set_property(CACHE MIRELLO_INSTALL_LAYOUT PROPERTY STRINGS folder system)

# MIRELLO_EXECUTABLE_DIR is where the executables go: the portable Linux folder keeps
# them in bin/, started by launchers of the same names at its root.
if(MIRELLO_INSTALL_LAYOUT STREQUAL "folder")
    set(MIRELLO_PROGRAM_DIR .)
    if(WIN32)
        set(MIRELLO_EXECUTABLE_DIR .)
    else()
        set(MIRELLO_EXECUTABLE_DIR bin)
    endif()
elseif(MIRELLO_INSTALL_LAYOUT STREQUAL "system")
    set(MIRELLO_PROGRAM_DIR lib/mirello)
    set(MIRELLO_EXECUTABLE_DIR lib/mirello)
else()
    message(FATAL_ERROR "MIRELLO_INSTALL_LAYOUT must be folder or system, not ${MIRELLO_INSTALL_LAYOUT}")
endif()
