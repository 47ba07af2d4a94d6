# `make package` (cpack -G DEB in the release build): one Debian package, wsqviewer, of
# everything the install rules put under /usr. Its library dependencies come from
# dpkg-shlibdeps; the Python module adds Debian's Python 3.11 and NumPy.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wsqviewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The WSQ viewer developers")
set(CPACK_PACKAGE_CONTACT "WSQ viewer developers <wsqviewer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer, converter and codec library for WSQ fingerprints")
set(CPACK_PACKAGE_DESCRIPTION
"WSQ (wavelet scalar quantization) is the compressed format for 8-bit grey
fingerprint images. This package holds:
 - wsqviewer, a desktop viewer for WSQ files, the common raster formats
   and ANSI/NIST-ITL transaction files, which also saves pictures as WSQ
 - wsqconvert, which converts single files and whole directory trees
 - synthprint, which writes synthetic fingerprints for trials
 - libwsq.so.1, the WSQ codec as a C library, with its header, pkg-config
   file and CMake package
 - the libwsq Python module, with a Pillow plug-in for WSQ files
Every program and library here treats the files it reads as untrusted.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file for libwsq.so.1, and the ldconfig trigger Debian wants beside it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
if(TARGET _libwsq)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= 3.11~), python3 (<< 3.12), python3-numpy")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-pil")
endif()
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_WSQ_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/debian_extras.cmake)
include(CPack)
