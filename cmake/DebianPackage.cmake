# `--target package` makes a Debian package of what `cmake --install` installs, under /usr. dpkg-shlibdeps
# works out the libraries; the Qt platform plugins and a Japanese gothic font are what the program needs at
# run time that no library link shows (without the font every title is a row of boxes).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorrix developers")
set(CPACK_PACKAGE_CONTACT "The Quorrix developers <developers@quorrix.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show every file of a folder as a table")
# The summary is the first line of the package's description; these paragraphs follow it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Mirelda lists every file of one folder, hidden ones, links, devices, FIFOs
and sockets included, with its attribute mark, its creation, last-access and
last-modification date-times and its size in kilobytes. A drive list and a
directory list move between folders. The interface is in Japanese.

It only reads: it writes no files, keeps no settings and leaves the access
times of the files it lists as they were.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-vlgothic | fonts-noto-cjk")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
include(CPack)
