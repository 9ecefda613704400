# The Debian package (make package, or cpack -G DEB in the build folder): the install rules
# of the whole project under /usr, with the dependencies dpkg-shlibdeps finds in the binary
# plus the Qt plugins and libraries the program loads at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallowquince)
set(CPACK_PACKAGE_VERSION "${TQ_FILE_VERSION}")
set(CPACK_PACKAGE_VENDOR "${TQ_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${TQ_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TQ_PRODUCT_SITE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins, so invisible to dpkg-shlibdeps: the SVG icon engine and image reader
# (the tray, menu and window icons), and the image formats beyond JPEG, PNG and GIF.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-image-formats-plugins")
# Loaded when the first HEIF or AVIF photo is shown: the packages that hold libheif and dav1d.
foreach(library IN ITEMS "${TQ_LIBHEIF_FILE}" "${TQ_DAV1D_FILE}")
    execute_process(COMMAND dpkg-query -S "*/${library}" OUTPUT_VARIABLE owner
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND owner MATCHES "^([^:,]+)")
        string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${CMAKE_MATCH_1}")
    endif()
endforeach()
# Opens web pages (the update offer, the About box) through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo frame on the desktop")
# The summary is the synopsis line; this is the long description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tallowquince shows one photo at a time inside a decorative frame, a skin,
as a borderless window with transparent edges that floats on the desktop.
The photo comes from one file or from a folder (optionally with its
sub-folders, in random order) and changes after the minutes you choose.
.
The frame can be dragged, zoomed, rotated, made translucent, locked, made
click-through and kept on top. A tray icon, an options dialog with a live
preview, skin packages, translations and a start at log-in complete it.")

include(CPack)
