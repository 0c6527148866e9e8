# The teacher's guide: the pages of docs/guide/ made into one HTML page by pandoc,
# pictures and all, so that a browser shows it from the program folder without a
# network. Every build makes it; every install puts it into guide/.
find_program(MIRELLO_PANDOC pandoc REQUIRED)

# mirello_build_guide(<target>): guide/index.html beside the target, made before it.
function(mirello_build_guide target)
    set(guide_dir ${PROJECT_SOURCE_DIR}/docs/guide)
    file(GLOB pages RELATIVE ${guide_dir} CONFIGURE_DEPENDS ${guide_dir}/[0-9][0-9]-*.md)
    list(SORT pages)
    list(TRANSFORM pages PREPEND ${guide_dir}/ OUTPUT_VARIABLE page_files)
    file(GLOB pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.png)
    set(guide ${CMAKE_CURRENT_BINARY_DIR}/guide/index.html)
    add_custom_command(OUTPUT ${guide}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/guide
        COMMAND ${MIRELLO_PANDOC} --from=markdown --to=html5 --standalone --self-contained
                --fail-if-warnings --toc --toc-depth=2 --variable=lang:zh-CN
                "--metadata=title:Mirello 使用指南"
                --lua-filter=${PROJECT_SOURCE_DIR}/cmake/guide-one-page.lua
                --output=${guide} ${pages}
        WORKING_DIRECTORY ${guide_dir}
        DEPENDS ${page_files} ${pictures} ${PROJECT_SOURCE_DIR}/cmake/guide-one-page.lua
        COMMENT "Making the guide into one HTML page"
        VERBATIM)
    add_custom_target(${target}_guide DEPENDS ${guide})
    add_dependencies(${target} ${target}_guide)
    install(FILES ${guide} DESTINATION ${MIRELLO_PROGRAM_DIR}/guide)
endfunction()
