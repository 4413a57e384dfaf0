# The Debian package, made by CPack's DEB generator from the install rules
# (scripts/package.sh runs it and lintian). One package holds every
# component: the command, the LV2 bundle, the desktop entry and the docs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "transient and residual splitter for audio (command and LV2 plug-in)")
# CPack writes the summary as the synopsis and indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Corvane splits a stereo signal into its transient part (attacks, clicks,
sharp events) and its residual part (everything else) with a frame-based
wavelet analysis, and lets the user rebalance, pan and solo the two.
.
This package holds the LV2 plug-ins (stereo, mono) with their editor and
factory presets, and the corvane command, which processes audio files,
writes the two parts as separate files, draws the editor and runs it live
on a JACK server.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_MAKER} <corvane@velmora.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are computed by dpkg-shlibdeps from the binaries.
# The fonts are data the editor opens through fontconfig, which no library
# link reveals; a JACK server is only needed for live audio.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "jackd2 | jackd")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lilv-utils")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
