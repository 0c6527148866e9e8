# The two libraries behind importing and exporting .xlsx workbooks, found the same
# way for a native and a cross build (Debian: libquazip1-qt6-dev, libxlsxwriter-dev;
# for Windows, built from the Debian source packages quazip and libxlsxwriter).
#   QuaZip::QuaZip            reads the zip container (brings zlib and Qt Core5Compat)
#   xlsxwriter::xlsxwriter    writes workbooks (needs zlib)
find_package(QuaZip-Qt6 1.4 REQUIRED)

find_package(ZLIB REQUIRED)
find_path(MIRELLO_XLSXWRITER_INCLUDE_DIR xlsxwriter.h REQUIRED)
find_library(MIRELLO_XLSXWRITER_LIBRARY xlsxwriter REQUIRED)
add_library(xlsxwriter::xlsxwriter UNKNOWN IMPORTED)
set_target_properties(xlsxwriter::xlsxwriter PROPERTIES
    IMPORTED_LOCATION ${MIRELLO_XLSXWRITER_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MIRELLO_XLSXWRITER_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
