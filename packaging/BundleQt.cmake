# Run while installing the portable program folder MIRELLO_FOLDER: copies the Qt
# plugins for X11 and Wayland from MIRELLO_QT_PLUGINS into plugins/, and every library
# that the program and those plugins load, found from their own dependencies, into
# lib/: Qt and what it needs that not every Linux desktop has. Each copy finds its
# neighbours through a run path relative to itself, set with MIRELLO_PATCHELF, so the
# folder runs wherever it is unpacked and whatever Qt the system has, if any.
# MIRELLO_DPKG_QUERY, when set, finds the Debian package of each copy, whose
# copyright file goes into licenses/.

# What every desktop has, and must come from the system: the C and C++ runtimes, the
# X11 and Wayland client libraries, the graphics drivers' libraries, fontconfig and
# freetype with what they use, GLib, D-Bus and systemd's client library. The
# utility libraries of xcb that Qt uses (icccm, image, keysyms, render-util, util)
# and xkbcommon's X11 part are not on every desktop, and are copied.
set(system_libraries
    "^ld-linux" "^lib(c|m|dl|pthread|rt|resolv|util)\\.so" "^libstdc\\+\\+\\.so" "^libgcc_s\\.so"
    "^libX11" "^libX(au|dmcp|ext|render|i)\\.so" "^lib(ICE|SM)\\.so"
    "^libxcb\\.so" "^libxcb-(dri2|dri3|glx|present|randr|render|shape|shm|sync|xfixes|xinerama|xinput|xkb)\\.so"
    "^libxkbcommon\\.so" "^libwayland-"
    "^lib(EGL|GL|GLX|GLdispatch|OpenGL|gbm|drm)\\.so"
    "^lib(fontconfig|freetype|expat|png16|z|bz2|brotli[a-z]*|harfbuzz|graphite2)\\.so"
    "^lib(glib|gobject|gthread|gmodule)-2\\.0\\.so" "^lib(pcre2-8|ffi)\\.so"
    "^lib(dbus-1|systemd|cap|gcrypt|gpg-error|lz4|lzma|zstd|uuid|bsd|md)\\.so")

set(plugin_patterns
    platforms/libqxcb.so platforms/libqwayland-*.so xcbglintegrations/*.so
    wayland-shell-integration/*.so wayland-decoration-client/*.so
    wayland-graphics-integration-client/*.so
    # Names read aloud through the system's speech service, when it has one.
    texttospeech/libqtexttospeech_speechd.so)

# Copies of an earlier install go first, so that nothing stale is left or found.
file(REMOVE_RECURSE "${MIRELLO_FOLDER}/lib" "${MIRELLO_FOLDER}/plugins" "${MIRELLO_FOLDER}/licenses")
file(MAKE_DIRECTORY "${MIRELLO_FOLDER}/lib" "${MIRELLO_FOLDER}/licenses")

set(plugins)
set(origins)
foreach(pattern IN LISTS plugin_patterns)
    file(GLOB found "${MIRELLO_QT_PLUGINS}/${pattern}")
    foreach(plugin IN LISTS found)
        file(RELATIVE_PATH relative "${MIRELLO_QT_PLUGINS}" "${plugin}")
        get_filename_component(group "${relative}" DIRECTORY)
        file(COPY "${plugin}" DESTINATION "${MIRELLO_FOLDER}/plugins/${group}")
        list(APPEND plugins "${MIRELLO_FOLDER}/plugins/${relative}")
        list(APPEND origins "${plugin}")
    endforeach()
endforeach()
foreach(needed platforms/libqxcb.so platforms/libqwayland-generic.so)
    if(NOT EXISTS "${MIRELLO_FOLDER}/plugins/${needed}")
        message(FATAL_ERROR "Qt's plugin ${needed} is missing from ${MIRELLO_QT_PLUGINS}: "
                            "install libqt6gui6 and qt6-wayland")
    endif()
endforeach()

file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${MIRELLO_FOLDER}/mirello" "${MIRELLO_FOLDER}/mirello-xlsx"
    MODULES ${plugins}
    RESOLVED_DEPENDENCIES_VAR libraries
    UNRESOLVED_DEPENDENCIES_VAR unresolved
    PRE_EXCLUDE_REGEXES ${system_libraries})
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

function(set_run_path run_path)
    foreach(file IN LISTS ARGN)
        execute_process(COMMAND "${MIRELLO_PATCHELF}" --set-rpath "${run_path}" "${file}"
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endfunction()
file(GLOB copied "${MIRELLO_FOLDER}/lib/*")
set_run_path("$ORIGIN" ${copied})
set_run_path("$ORIGIN/../../lib" ${plugins})

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
