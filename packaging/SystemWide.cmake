# The system-wide install: the `mirello` command on the PATH, a link to the program in
# its folder, which the program resolves to find Icons/ and samples/ beside it.
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../${MIRELLO_PROGRAM_DIR}/mirello
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/mirello\" SYMBOLIC)")

# The documentation every Debian package carries: the copyright file, the changelog
# and a manual page, compressed as Debian wants it (gzip -9n: no name, no time stamp). The
# changelog's newest entry must be this version, or the package would contradict it.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^mirello \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog starts with \"${newest}\": "
                        "add an entry for version ${PROJECT_VERSION} at its top")
endif()

# The manual page lists every option of the command line, from the table that --help
# lists, so that the two never disagree.
add_executable(mirello-manual ManualPage.cpp)
target_link_libraries(mirello-manual PRIVATE mirello_remote)
set(manual ${CMAKE_CURRENT_BINARY_DIR}/mirello.1)
add_custom_command(OUTPUT ${manual}
    COMMAND mirello-manual ${CMAKE_CURRENT_SOURCE_DIR}/mirello.1.in ${manual}
    DEPENDS mirello-manual mirello.1.in
    COMMENT "Writing the manual page")

# mirello_compress(<file> <variable>): gzip -9n of <file>, made by every build.
function(mirello_compress file variable)
    get_filename_component(name ${file} NAME)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND gzip -9n --stdout ${file} > ${compressed}
        DEPENDS ${file}
        COMMENT "Compressing ${name}")
    add_custom_target(mirello_compress_${name} ALL DEPENDS ${compressed})
    set(${variable} ${compressed} PARENT_SCOPE)
endfunction()

mirello_compress(${CMAKE_CURRENT_SOURCE_DIR}/changelog changelog_gz)
mirello_compress(${manual} manual_gz)
install(FILES copyright ${changelog_gz} DESTINATION share/doc/mirello)
install(FILES ${manual_gz} DESTINATION share/man/man1)
