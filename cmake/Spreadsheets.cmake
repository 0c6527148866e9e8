# The two libraries behind importing and exporting .xlsx workbooks, found the same
# way for a native and a cross build (Debian: libminizip-dev, libxlsxwriter-dev;
# for Windows, built from the Debian source packages minizip and libxlsxwriter).
#   minizip::minizip          reads the zip container (zlib's own zip code; needs zlib)
#   xlsxwriter::xlsxwriter    writes workbooks (needs zlib)
find_package(ZLIB REQUIRED)

find_path(MIRELLO_MINIZIP_INCLUDE_DIR unzip.h PATH_SUFFIXES minizip REQUIRED)
find_library(MIRELLO_MINIZIP_LIBRARY minizip REQUIRED)
add_library(minizip::minizip UNKNOWN IMPORTED)
set_target_properties(minizip::minizip PROPERTIES
    IMPORTED_LOCATION ${MIRELLO_MINIZIP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MIRELLO_MINIZIP_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)

find_path(MIRELLO_XLSXWRITER_INCLUDE_DIR xlsxwriter.h REQUIRED)
find_library(MIRELLO_XLSXWRITER_LIBRARY xlsxwriter REQUIRED)
add_library(xlsxwriter::xlsxwriter UNKNOWN IMPORTED)
set_target_properties(xlsxwriter::xlsxwriter PROPERTIES
    IMPORTED_LOCATION ${MIRELLO_XLSXWRITER_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MIRELLO_XLSXWRITER_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
