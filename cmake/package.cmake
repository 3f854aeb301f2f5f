# The Debian package (cpack in the build tree, or cmake --build build
# --target package): everything the install rules install, under /usr, with
# tovrin.sty in the TEXMF tree /usr/share/texmf (TeX's file list refreshed
# by the package scripts).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "find, check, normalise, translate and sort Bible citations in texts")
set(CPACK_PACKAGE_DESCRIPTION
  "tovrin finds Bible citations such as \"Mt 5,3-12; L 6,20n\" in running text
(plain text, TeX, Word and LibreOffice documents) in the languages of its
configuration bibl.ini, checks them, writes them canonically, translates
and compares them, and builds a Scripture index. This package holds the
programs tovrin and dorvi, the C/C++ library with its headers, CMake and
pkg-config files, bibl.ini and the LaTeX package tovrin.sty.")
set(TOVRIN_PACKAGE_MAINTAINER "tovrin developers <tovrin@localhost>" CACHE STRING
  "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${TOVRIN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The programs without their debugging information (install/strip).
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
# The programs' shared libraries (libzip, pugixml, libstdc++, ...) become
# the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "texlive-latex-base, texlive-binaries")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# Only what the install rules name; build trees and VCS files never.
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/" "/\\\\.git/")
include(CPack)
