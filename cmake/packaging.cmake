# Installation and the Debian package.
#
# The executable lives in its own directory, lib/culler, beside the pattern list it starts from;
# bin/culler is a link to it. An installed copy keeps the user's own list in the user's data
# directory, starting from the copy installed here, and never writes here.

set(CULLER_INSTALL_DIR lib/culler)
set(CULLER_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/culler)
# Whom the package names as its maintainer: the project, not a person. The project has no mail
# address of its own; the reserved .invalid domain says so rather than inventing one.
set(CULLER_MAINTAINER "The Culler authors <culler@culler.invalid>")

# Relocations resolved at start and then made read-only, as Debian hardens its own programs.
target_link_options(culler PRIVATE LINKER:-z,relro,-z,now)

install(TARGETS culler RUNTIME DESTINATION ${CULLER_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/filetypes.dat DESTINATION ${CULLER_INSTALL_DIR})

file(CREATE_LINK ../${CULLER_INSTALL_DIR}/culler ${PROJECT_BINARY_DIR}/culler-link SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/culler-link DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME culler)

install(FILES ${PROJECT_SOURCE_DIR}/data/culler.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The AppStream metainfo: Debian's archive tooling builds from it the catalogue that GNOME Software
# and KDE Discover search, and without it they never list Culler.
install(FILES ${PROJECT_SOURCE_DIR}/data/invalid.culler.culler.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The copyright file in Debian's machine-readable form, made from LICENSE so the two never differ.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE CULLER_LICENSE_TEXT)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" CULLER_COPYRIGHT_LINE "${CULLER_LICENSE_TEXT}")
set(CULLER_COPYRIGHT "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^MIT License\n\n" "" CULLER_LICENSE_TEXT "${CULLER_LICENSE_TEXT}")
string(REGEX REPLACE "\n+$" "" CULLER_LICENSE_TEXT "${CULLER_LICENSE_TEXT}")
string(REGEX REPLACE "\n\n" "\n.\n" CULLER_LICENSE_TEXT "${CULLER_LICENSE_TEXT}")
string(REGEX REPLACE "\n" "\n " CULLER_LICENSE_TEXT "${CULLER_LICENSE_TEXT}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Culler
Upstream-Contact: ${CULLER_MAINTAINER}

Files: *
Copyright: ${CULLER_COPYRIGHT}
License: Expat
 ${CULLER_LICENSE_TEXT}
")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CULLER_DOC_DIR})

# Debian keeps a package's changelog compressed, without a time stamp that would change the bytes.
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog
    COMMENT "Compressing the changelog")
add_custom_target(culler_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${CULLER_DOC_DIR})

# The manual page, compressed as Debian installs manual pages; -n leaves out the name and time,
# so the same page gives the same package.
find_program(CULLER_GZIP gzip REQUIRED)
set(CULLER_MANPAGE ${PROJECT_BINARY_DIR}/culler.1.gz)
add_custom_command(OUTPUT ${CULLER_MANPAGE}
    COMMAND ${CULLER_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/data/culler.1 > ${CULLER_MANPAGE}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/culler.1
    VERBATIM)
add_custom_target(culler_manpage ALL DEPENDS ${CULLER_MANPAGE})
install(FILES ${CULLER_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The timer units are examples to copy and edit: they name a directory to purge, which only the
# user can choose.
install(FILES ${PROJECT_SOURCE_DIR}/data/culler-purge.service
              ${PROJECT_SOURCE_DIR}/data/culler-purge.timer
        DESTINATION ${CULLER_DOC_DIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME culler)
set(CPACK_PACKAGE_VENDOR "The Culler authors")
set(CPACK_PACKAGE_CONTACT "${CULLER_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of at most 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Culler deletes the plain files of one directory that match a wildcard
pattern, such as *.tmp, and were last modified on or before a cut-off day:
a number of days before today, or a date. A summary shows the request for
review before anything is deleted. The same purge runs from the command
line, for scripts and timers, with a dry run that lists what it would delete.
.
It never touches hidden files, subdirectories or what they hold, symbolic
links, or anything outside the chosen directory.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_STRIP_FILES ON)
include(CPack)
