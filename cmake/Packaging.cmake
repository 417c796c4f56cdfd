# `cpack -G DEB` in a build folder makes sitevigil_<version>_amd64.deb from what `cmake --install` installs.
set(package_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/sitevigil)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${package_doc_dir})
sitevigil_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${package_doc_dir})

set(CPACK_PACKAGE_NAME sitevigil)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Site Vigil developers")
set(CPACK_PACKAGE_CONTACT "Site Vigil developers <sitevigil@sitevigil.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watches web pages and tells you when they change")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://sitevigil.org/")
# The libraries the programs link, as dpkg-shlibdeps finds them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary in front and indents each line; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Site Vigil keeps a list of web pages and checks them on a schedule. For each
page you choose what counts as a change: a newer date, a different checksum of
the page or of a part of it, a search text that appears or goes missing, or a
download that fails. It keeps the last two copies of each page, shows their
differences side by side, keeps an update log and can send an e-mail or run a
command when something changed.

The package holds the desktop program, sitevigil, and the command-line
program sitevigil-cli for servers, scripts and cron.")

set(CPACK_GENERATOR DEB)
include(CPack)
