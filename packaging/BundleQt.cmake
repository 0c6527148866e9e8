# Run while installing the portable program folder MIRELLO_FOLDER: copies the Qt
# plugins for X11, Wayland and input methods from MIRELLO_QT_PLUGINS (and from
# MIRELLO_UNPACKED_QT_PLUGINS, in packages unpacked into MIRELLO_UNPACKED_PACKAGES)
# into plugins/, and every library that the programs in bin/ and those plugins load,
# found from their own dependencies, into lib/: Qt, the C and C++ runtimes and the C
# library's loader, X11, Wayland, fontconfig, GLib and D-Bus. The folder's launchers
# start the programs through that loader with lib/ as the library path, so the folder
# runs on any Linux 3.2 or later, whatever C library and Qt the system has, if any.
# Only the graphics drivers, which no program names, stay the system's: libGL finds
# them. MIRELLO_DPKG_QUERY, when set, finds the Debian package of each copy, whose
# copyright file goes into licenses/.

set(plugin_patterns
    platforms/libqxcb.so platforms/libqwayland-*.so xcbglintegrations/*.so
    wayland-shell-integration/*.so wayland-decoration-client/*.so
    wayland-graphics-integration-client/*.so
    # Typing Chinese names: fcitx5's and IBus's plugins, and X11's compose keys.
    platforminputcontexts/*.so
    # Names read aloud through the system's speech service, when it has one.
    texttospeech/libqtexttospeech_speechd.so)

# Copies of an earlier install go first, so that nothing stale is left or found.
file(REMOVE_RECURSE "${MIRELLO_FOLDER}/lib" "${MIRELLO_FOLDER}/plugins" "${MIRELLO_FOLDER}/licenses")
file(MAKE_DIRECTORY "${MIRELLO_FOLDER}/lib" "${MIRELLO_FOLDER}/licenses")

set(plugins)
set(origins)
foreach(source IN ITEMS "${MIRELLO_QT_PLUGINS}" ${MIRELLO_UNPACKED_QT_PLUGINS})
    foreach(pattern IN LISTS plugin_patterns)
        file(GLOB found "${source}/${pattern}")
        foreach(plugin IN LISTS found)
            file(RELATIVE_PATH relative "${source}" "${plugin}")
            get_filename_component(group "${relative}" DIRECTORY)
            file(COPY "${plugin}" DESTINATION "${MIRELLO_FOLDER}/plugins/${group}")
            list(APPEND plugins "${MIRELLO_FOLDER}/plugins/${relative}")
            if(source STREQUAL MIRELLO_QT_PLUGINS)
                list(APPEND origins "${plugin}")
            endif()
        endforeach()
    endforeach()
endforeach()
foreach(needed platforms/libqxcb.so platforms/libqwayland-generic.so
               platforminputcontexts/libfcitx5platforminputcontextplugin.so
               platforminputcontexts/libibusplatforminputcontextplugin.so)
    if(NOT EXISTS "${MIRELLO_FOLDER}/plugins/${needed}")
        message(FATAL_ERROR "Qt's plugin ${needed} is missing from ${MIRELLO_QT_PLUGINS}: "
                            "install libqt6gui6, qt6-wayland and fcitx5-frontend-qt6")
    endif()
endforeach()

# The graphics drivers' dispatch libraries (libglvnd) are copied; the drivers are
# found by them at run time, among the system's libraries.
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${MIRELLO_FOLDER}/bin/mirello" "${MIRELLO_FOLDER}/bin/mirello-xlsx"
    MODULES ${plugins}
    RESOLVED_DEPENDENCIES_VAR libraries
    UNRESOLVED_DEPENDENCIES_VAR unresolved)
if(unresolved)
    message(FATAL_ERROR "Libraries that the program needs cannot be found: ${unresolved}")
endif()

# Each under the name the loader asks for, as a plain file: a USB stick formatted
# with FAT holds no symbolic links.
foreach(library IN LISTS libraries)
    get_filename_component(name "${library}" NAME)
    file(REAL_PATH "${library}" real)
    file(COPY_FILE "${real}" "${MIRELLO_FOLDER}/lib/${name}")
    list(APPEND origins "${real}")
endforeach()
list(LENGTH libraries count)
message(STATUS "Bundled ${count} libraries into ${MIRELLO_FOLDER}/lib")

# The licences of what was copied, one file per Debian package. A package of a merged
# /usr may name a library by its old path in /lib, so a path unknown to dpkg is asked
# for again without /usr.
if(MIRELLO_DPKG_QUERY)
    execute_process(COMMAND "${MIRELLO_DPKG_QUERY}" --search ${origins}
                    OUTPUT_VARIABLE owners ERROR_VARIABLE unknown)
    string(REGEX MATCHALL "/usr/[^\n]+" again "${unknown}")
    list(TRANSFORM again REPLACE "^/usr" "")
    if(again)
        execute_process(COMMAND "${MIRELLO_DPKG_QUERY}" --search ${again}
                        OUTPUT_VARIABLE more_owners COMMAND_ERROR_IS_FATAL ANY)
        string(APPEND owners "\n${more_owners}")
    endif()
    string(REGEX MATCHALL "(^|\n)[^:\n]+" packages "${owners}")
    list(TRANSFORM packages STRIP)
    list(REMOVE_DUPLICATES packages)
    list(REMOVE_ITEM packages "")
    foreach(package IN LISTS packages)
        file(REAL_PATH "/usr/share/doc/${package}/copyright" copyright)
        file(COPY_FILE "${copyright}" "${MIRELLO_FOLDER}/licenses/${package}.txt")
    endforeach()
endif()
set(unpacked_copyrights)
if(MIRELLO_UNPACKED_PACKAGES)
    file(GLOB unpacked_copyrights "${MIRELLO_UNPACKED_PACKAGES}/usr/share/doc/*/copyright")
endif()
foreach(copyright IN LISTS unpacked_copyrights)
    get_filename_component(package "${copyright}" DIRECTORY)
    get_filename_component(package "${package}" NAME)
    file(COPY_FILE "${copyright}" "${MIRELLO_FOLDER}/licenses/${package}.txt")
endforeach()
