# Installation and the Debian package.
#
# The executable lives in its own directory, lib/culler, because the pattern list filetypes.dat
# belongs beside it; bin/culler is a link to it. When that directory cannot be written, as in an
# installed copy, the program keeps the list in the user's own data directory instead, starting
# from the copy installed here.

set(CULLER_INSTALL_DIR lib/culler)

install(TARGETS culler RUNTIME DESTINATION ${CULLER_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/filetypes.dat DESTINATION ${CULLER_INSTALL_DIR})

file(CREATE_LINK ../${CULLER_INSTALL_DIR}/culler ${PROJECT_BINARY_DIR}/culler-link SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/culler-link DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME culler)

install(FILES ${PROJECT_SOURCE_DIR}/data/culler.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

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
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/culler/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME culler)
set(CPACK_PACKAGE_VENDOR "The Culler developers")
set(CPACK_PACKAGE_CONTACT "The Culler developers <culler@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Culler deletes the plain files of one directory that match a wildcard pattern and were last \
modified on or before a cut-off day. It never touches hidden files, subdirectories or links.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_STRIP_FILES ON)
include(CPack)
