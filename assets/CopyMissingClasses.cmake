# cmake -D SOURCE=<folder> -D DESTINATION=<folder> -P CopyMissingClasses.cmake
# Copies each class file of SOURCE into DESTINATION unless a file of that name is
# already there, so a class edited by running the program is never replaced.
file(MAKE_DIRECTORY "${DESTINATION}")
file(GLOB classes LIST_DIRECTORIES false "${SOURCE}/*")
foreach(class IN LISTS classes)
    get_filename_component(name "${class}" NAME)
    if(NOT EXISTS "${DESTINATION}/${name}")
        file(COPY "${class}" DESTINATION "${DESTINATION}")
    endif()
endforeach()
