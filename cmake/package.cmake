# The Debian package, made by CPack from the install rules:
#   cpack --config <build>/CPackConfig.cmake   ->  voxerin_<version>_amd64.deb
# Its dependencies are what dpkg-shlibdeps finds the installed programs and
# libraries need; its scripts only tell udev about the recorder's rule.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voxerin)
set(CPACK_PACKAGE_VENDOR "Tevra Media")
set(CPACK_PACKAGE_CONTACT "Tevra Media <support@tevramedia.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion for the VX-R250 voice recorder and MP3 player")
# CPack makes the control file's description from the summary and this text.
set(CPACK_PACKAGE_DESCRIPTION
    "Voxerin shows the computer's folders beside the contents of a VX-R250 voice
recorder plugged in over USB and moves files between the two: it copies
recordings off the recorder and files onto it, deletes and reorders them,
formats the recorder, and converts 8 kHz mono WAV files into the recorder's
voice format (.DVF) and back. The command voxctl does the same from a
terminal. A udev rule lets the user at the seat use the recorder without root.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The project's own libraries live in a private folder that the programs
# reach by RPATH; dpkg-shlibdeps must look there too.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/${VOX_PRIVATE_LIBDIR})

# voxctl mount runs fusermount3 to mount and unmount the recorder.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fuse3)

# The .DVF plugin plays recordings in the desktop's players, through
# GStreamer's playbin and decodebin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS gstreamer1.0-plugins-base)

set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
