# `cpack -G DEB` in the build folder makes the Debian package. Its
# dependencies are read from the shared libraries the program links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dealwatcher)
set(CPACK_PACKAGE_VENDOR "Deal Watcher developers")
set(CPACK_PACKAGE_CONTACT "Deal Watcher developers <dealwatcher@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Watches bargain-post sites and shows every new post at once")
set(CPACK_PACKAGE_DESCRIPTION
    "Deal Watcher fetches the pages of the bargain-post sites and forums it is\n\
given scraping rules for, lists every new post the moment it appears, marks\n\
posts that hold the user's keywords and stores them in a local database.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them: the X11
# platform plugin, the Chinese words of Qt's own dialogs, fonts for the
# Chinese captions, and what opens links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk | fonts-wqy-microhei, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
