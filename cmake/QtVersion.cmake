# The Qt the program is built with: Qt 6.4 on Linux; Qt 5.15 for the Windows program,
# which must also start on Windows 7 and on 32-bit machines. One source tree serves
# both; what the two differ in is in platform/QtCompat.h.
set(MIRELLO_QT_MAJOR 6 CACHE STRING "The Qt to build with: 6 (6.4 or later) or 5 (5.15)")
set_property(CACHE MIRELLO_QT_MAJOR PROPERTY STRINGS 6 5)
if(MIRELLO_QT_MAJOR EQUAL 6)
    find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets)
    qt_standard_project_setup()
    set(MIRELLO_QT_PREFIX ${QT6_INSTALL_PREFIX})
elseif(MIRELLO_QT_MAJOR EQUAL 5)
    find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets)
    set(CMAKE_AUTOMOC ON)
    include(GNUInstallDirs)
    get_filename_component(MIRELLO_QT_PREFIX "${Qt5_DIR}/../../.." ABSOLUTE)
else()
    message(FATAL_ERROR "MIRELLO_QT_MAJOR must be 6 or 5, not ${MIRELLO_QT_MAJOR}")
endif()
set(MIRELLO_QT Qt${MIRELLO_QT_MAJOR})

# mirello_add_resources(<target> <name> PREFIX <prefix> BASE <folder> FILES <file>...):
# compiles the files into the programs that link <target>, each named by its path
# below BASE, under PREFIX.
function(mirello_add_resources target name)
    if(MIRELLO_QT_MAJOR EQUAL 6)
        qt_add_resources(${target} ${name} ${ARGN})
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 2 ARG "" "PREFIX;BASE" "FILES")
    get_filename_component(base "${ARG_BASE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    set(content "<RCC><qresource prefix=\"${ARG_PREFIX}\">\n")
    foreach(file IN LISTS ARG_FILES)
        get_filename_component(path "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        file(RELATIVE_PATH alias "${base}" "${path}")
        string(APPEND content "<file alias=\"${alias}\">${path}</file>\n")
    endforeach()
    string(APPEND content "</qresource></RCC>\n")
    file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${name}.qrc" CONTENT "${content}")
    qt5_add_resources(compiled "${CMAKE_CURRENT_BINARY_DIR}/${name}.qrc")
    # As objects of every program that links the target: in a static library the
    # linker would drop them, since no code refers to them.
    add_library(${target}_${name} OBJECT ${compiled})
    target_link_libraries(${target}_${name} PRIVATE Qt::Core)
    target_sources(${target} INTERFACE $<TARGET_OBJECTS:${target}_${name}>)
endfunction()
