# mirello_stage_program_folder(<target>): lays out Icons/ and samples/ beside the
# target's executable on every build of the target, even when it is up to date. The
# program makes checkroll/ from samples/ when it first starts there.
function(mirello_stage_program_folder target)
    set(assets ${PROJECT_SOURCE_DIR}/assets)
    set(program_folder $<TARGET_FILE_DIR:${target}>)
    set(faces start1.bmp start2.bmp pause1.bmp pause2.bmp ok1.bmp ok2.bmp
              search1.bmp search2.bmp search3.bmp)
    list(TRANSFORM faces PREPEND ${assets}/Icons/)
    file(GLOB samples ${assets}/samples/*)
    add_custom_target(${target}_program_folder
        COMMAND ${CMAKE_COMMAND} -E make_directory ${program_folder}/Icons ${program_folder}/samples
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${faces} ${program_folder}/Icons
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${samples} ${program_folder}/samples
        COMMENT "Laying out Icons/ and samples/ beside ${target}"
        VERBATIM)
    add_dependencies(${target} ${target}_program_folder)
endfunction()
