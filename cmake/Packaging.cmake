# The Debian package, built with CPack (see scripts/package):
#   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
#         -DCORVELLA_SOURCE_EXAMPLES=OFF -DCORVELLA_WERROR=OFF
#   cmake --build build-release && cpack --config build-release/CPackConfig.cmake
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "corvella")
set(CPACK_PACKAGE_VENDOR "Corvella developers")
set(CPACK_PACKAGE_CONTACT "Corvella developers <dev@corvella.invalid>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvella developers <dev@corvella.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
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
