# mirello_stage_program_folder(<target>): lays out Icons/ and checkroll/ beside the
# target's executable on every build of the target, even when it is up to date.
function(mirello_stage_program_folder target)
    set(assets ${PROJECT_SOURCE_DIR}/assets)
    set(program_folder $<TARGET_FILE_DIR:${target}>)
    set(faces start1.bmp start2.bmp pause1.bmp pause2.bmp ok1.bmp ok2.bmp
              search1.bmp search2.bmp search3.bmp)
    list(TRANSFORM faces PREPEND ${assets}/Icons/)
    add_custom_target(${target}_program_folder
        COMMAND ${CMAKE_COMMAND} -E make_directory ${program_folder}/Icons
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${faces} ${program_folder}/Icons
        # Classes already there are kept: they hold the grades recorded while testing.
        COMMAND ${CMAKE_COMMAND} -D SOURCE=${assets}/checkroll -D DESTINATION=${program_folder}/checkroll
                -P ${assets}/CopyMissingClasses.cmake
        COMMENT "Laying out Icons/ and checkroll/ beside ${target}"
        VERBATIM)
    add_dependencies(${target} ${target}_program_folder)
endfunction()
