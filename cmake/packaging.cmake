# Install rules and the two Debian packages, fqreplay and ordo-server:
#   cmake --build build --target package        -> build/fqreplay_<version>_<arch>.deb, build/ordo-server_...
# The install rules lay out a whole root (the packages' layout), so the prefix defaults to "/";
# stage them with DESTDIR=/some/root cmake --install build.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "/" CACHE PATH "Root the install rules lay the programs out under" FORCE)
endif()

set(ORDO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
# The program finds Environment.ini and temp/FQ beside itself; in the packages those are links to
# where Debian keeps settings (/etc) and queued work (/var/spool), so each is where an
# administrator looks for it and the program's own folder stays root's.
set(ORDO_FQREPLAY_HOME /usr/lib/fqreplay)

# Man pages: written once in packaging/, installed compressed. -n keeps the archive free of a time
# stamp, so two builds of one version give the same package.
find_program(ORDO_GZIP gzip REQUIRED)
set(ORDO_MAN_PAGES)
foreach(page fqreplay/fqreplay.1 ordo-server/ordo-server.1)
  get_filename_component(name ${page} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${ORDO_GZIP} -9 -n -c ${ORDO_PACKAGING_DIR}/${page} > ${CMAKE_BINARY_DIR}/man/${name}.gz
    DEPENDS ${ORDO_PACKAGING_DIR}/${page}
    VERBATIM)
  list(APPEND ORDO_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${name}.gz)
endforeach()
add_custom_target(ordo_man_pages ALL DEPENDS ${ORDO_MAN_PAGES})

# Links are made in the build tree and installed as they are.
set(ORDO_LINKS ${CMAKE_BINARY_DIR}/packaging-links)
file(MAKE_DIRECTORY ${ORDO_LINKS}/fqreplay-temp)
file(CREATE_LINK ${ORDO_FQREPLAY_HOME}/fqreplay ${ORDO_LINKS}/fqreplay SYMBOLIC)
file(CREATE_LINK /etc/fqreplay/Environment.ini ${ORDO_LINKS}/Environment.ini SYMBOLIC)
file(CREATE_LINK /var/spool/fqreplay ${ORDO_LINKS}/fqreplay-temp/FQ SYMBOLIC)

# The documentation every package carries: the copyright and the changelog (gzip -n: no time stamp).
foreach(pkg fqreplay ordo-server)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/${pkg}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc/${pkg}
    COMMAND ${ORDO_GZIP} -9 -n -c ${ORDO_PACKAGING_DIR}/changelog > ${CMAKE_BINARY_DIR}/doc/${pkg}/changelog.gz
    DEPENDS ${ORDO_PACKAGING_DIR}/changelog
    VERBATIM)
  list(APPEND ORDO_DOCS ${CMAKE_BINARY_DIR}/doc/${pkg}/changelog.gz)
endforeach()
add_custom_target(ordo_package_docs ALL DEPENDS ${ORDO_DOCS})

# fqreplay: the program and its tools in /usr/lib/fqreplay, its settings a configuration file in
# /etc/fqreplay, its queue in /var/spool/fqreplay (made by postinst, so that an upgrade keeps the
# administrator's owner and mode), a link on the PATH.
install(TARGETS fqreplay RUNTIME DESTINATION usr/lib/fqreplay COMPONENT fqreplay)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/scramble-port DESTINATION usr/lib/fqreplay COMPONENT fqreplay)
install(FILES ${ORDO_LINKS}/Environment.ini DESTINATION usr/lib/fqreplay COMPONENT fqreplay)
install(DIRECTORY ${ORDO_LINKS}/fqreplay-temp/ DESTINATION usr/lib/fqreplay/temp COMPONENT fqreplay)
install(FILES ${ORDO_PACKAGING_DIR}/fqreplay/Environment.ini DESTINATION etc/fqreplay COMPONENT fqreplay)
install(FILES ${ORDO_LINKS}/fqreplay DESTINATION usr/bin COMPONENT fqreplay)
install(FILES ${ORDO_PACKAGING_DIR}/fqreplay/fqreplay.service ${ORDO_PACKAGING_DIR}/fqreplay/fqreplay.timer
  DESTINATION lib/systemd/system COMPONENT fqreplay)
install(FILES ${CMAKE_BINARY_DIR}/man/fqreplay.1.gz DESTINATION usr/share/man/man1 COMPONENT fqreplay)
install(FILES ${ORDO_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/doc/fqreplay/changelog.gz
  DESTINATION usr/share/doc/fqreplay COMPONENT fqreplay)

if(TARGET ordo-server)
  install(TARGETS ordo-server RUNTIME DESTINATION usr/bin COMPONENT server)
  install(FILES ${ORDO_PACKAGING_DIR}/ordo-server/ordo-server.conf DESTINATION etc/ordo-server COMPONENT server)
  install(FILES ${PROJECT_SOURCE_DIR}/server/schema/ledger.sql DESTINATION usr/share/ordo-server COMPONENT server)
  install(FILES ${ORDO_PACKAGING_DIR}/ordo-server/ordo-server.service
    DESTINATION lib/systemd/system COMPONENT server)
  install(FILES ${CMAKE_BINARY_DIR}/man/ordo-server.1.gz DESTINATION usr/share/man/man1 COMPONENT server)
  install(FILES ${ORDO_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/doc/ordo-server/changelog.gz
    DESTINATION usr/share/doc/ordo-server COMPONENT server)
  set(ORDO_PACKAGE_COMPONENTS fqreplay server)
else()
  set(ORDO_PACKAGE_COMPONENTS fqreplay)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /)
# Who answers for the packages: a site that builds its own sets its own address.
set(ORDO_PACKAGE_MAINTAINER "Ordo Maintainers <maintainers@ordo.example.org>" CACHE STRING
  "Maintainer field of the Debian packages")
set(CPACK_PACKAGE_CONTACT "${ORDO_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${ORDO_PACKAGE_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_FQREPLAY_PACKAGE_NAME fqreplay)
set(CPACK_DEBIAN_FQREPLAY_PACKAGE_SECTION misc)
set(CPACK_COMPONENT_FQREPLAY_DESCRIPTION "replays the sales suite's queued database work
fqreplay sends the statements and ledger rebuilds that the shop's sales suite left in its queue
folder to the middleware server, once per run; a systemd timer runs it every few minutes.")
set(CPACK_DEBIAN_FQREPLAY_PACKAGE_CONTROL_EXTRA
  ${ORDO_PACKAGING_DIR}/fqreplay/conffiles ${ORDO_PACKAGING_DIR}/fqreplay/postinst
  ${ORDO_PACKAGING_DIR}/fqreplay/prerm ${ORDO_PACKAGING_DIR}/fqreplay/postrm)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME ordo-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION database)
# The embedded engine is loaded at run time, so the library scan cannot see it; a site whose
# database is on a Firebird server does without it.
set(CPACK_DEBIAN_SERVER_PACKAGE_RECOMMENDS firebird3.0-server-core)
set(CPACK_COMPONENT_SERVER_DESCRIPTION "middleware server of the sales suite on Firebird
ordo-server takes the requests of fqreplay and the suite's client data sets over TCP, runs their
SQL on a Firebird database (embedded, or a Firebird server on another host) and answers with
rows, row counts or error texts.")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
  ${ORDO_PACKAGING_DIR}/ordo-server/conffiles ${ORDO_PACKAGING_DIR}/ordo-server/postinst
  ${ORDO_PACKAGING_DIR}/ordo-server/prerm ${ORDO_PACKAGING_DIR}/ordo-server/postrm)

include(CPack)
