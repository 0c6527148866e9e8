# The Windows program folder: beside mirello.exe, Icons/ and samples/, qt.conf, which
# points Qt at the folder's plugins, Qt's Chinese texts and a short guide for Notepad.
# scripts/package-windows adds the DLLs and plugins that the program loads and zips it.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/Mirello
        CACHE PATH "Program folder to install into" FORCE)
endif()
install(FILES qt.conf windows/使用说明.txt DESTINATION .)

# Qt's .qm files are the same on every system, so the build machine's serve; the
# Windows libraries are built without them.
find_file(MIRELLO_QT_CHINESE qtbase_zh_CN.qm PATHS /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(MIRELLO_QT_CHINESE)
    install(FILES ${MIRELLO_QT_CHINESE} DESTINATION translations)
else()
    message(WARNING "/usr/share/qt6/translations/qtbase_zh_CN.qm is missing (package "
                    "qt6-translations-l10n): the program shows Qt's texts in English")
endif()
