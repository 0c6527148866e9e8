# `cpack` packs the installed program folder into mirello-<version>-Linux-<machine>.tar.gz,
# which unpacks into one folder of the same name that a teacher can start from.
set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME mirello)
set(CPACK_PACKAGE_VENDOR Mirello)
set(CPACK_PACKAGE_FILE_NAME
    mirello-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
