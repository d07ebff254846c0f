# The Debian package, built with CPack (see scripts/package):
#   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
#         -DCORVELLA_SOURCE_EXAMPLES=OFF
#   cmake --build build-release && cpack --config build-release/CPackConfig.cmake
set(CORVELLA_MAINTAINER "Corvella developers <dev@corvella.invalid>")
set(CORVELLA_DEBIAN_RELEASE 1)
set(CORVELLA_DEBIAN_VERSION "${PROJECT_VERSION}-${CORVELLA_DEBIAN_RELEASE}")

# Manual pages and the Debian changelog carry the project's version; they are
# made and compressed at configure time, so installing needs no build step.
find_program(CORVELLA_GZIP gzip REQUIRED)
set(CORVELLA_MAN_PAGES corvella-batch.1)
if(CORVELLA_WINDOW)
  list(APPEND CORVELLA_MAN_PAGES corvella.1)
endif()
set(CORVELLA_DOCS_OUT ${PROJECT_BINARY_DIR}/docs)
foreach(page IN LISTS CORVELLA_MAN_PAGES)
  configure_file(${PROJECT_SOURCE_DIR}/docs/${page} ${CORVELLA_DOCS_OUT}/${page} @ONLY)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/docs/debian/changelog.in ${CORVELLA_DOCS_OUT}/changelog.Debian
               @ONLY)
# -n: no name or time stamp inside, so the package is reproducible.
set(CORVELLA_COMPRESSED ${CORVELLA_MAN_PAGES} changelog.Debian)
execute_process(COMMAND ${CORVELLA_GZIP} -9nkf ${CORVELLA_COMPRESSED}
                WORKING_DIRECTORY ${CORVELLA_DOCS_OUT} COMMAND_ERROR_IS_FATAL ANY)
list(TRANSFORM CORVELLA_MAN_PAGES PREPEND ${CORVELLA_DOCS_OUT}/)
list(TRANSFORM CORVELLA_MAN_PAGES APPEND .gz)
install(FILES ${CORVELLA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/debian/copyright ${CORVELLA_DOCS_OUT}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME corvella)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "corvella")
set(CPACK_PACKAGE_VENDOR "Corvella developers")
set(CPACK_PACKAGE_CONTACT "${CORVELLA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVELLA_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CORVELLA_DEBIAN_RELEASE})
# The package installs where the program looks for its example files.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "static HTML pages from data and a template / pages HTML depuis des données")
# CPack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Corvella turns a data file (one line per page, columns separated by semicolons)
and an HTML template into static pages, then links the pages whose chosen
tag holds the same content. It comes as a window (corvella) and a batch
tool (corvella-batch), with a small example site.
.
Corvella crée des pages HTML statiques à partir d'un fichier de données
(une ligne par page, colonnes séparées par « ; ») et d'un modèle HTML, puis
lie entre elles les pages dont le tag choisi a le même contenu. Il se
compose d'une fenêtre (corvella) et d'un outil en ligne de commande
(corvella-batch), avec un petit site d'exemple.")

include(CPack)
