# The Linux build checks the version of the Debian package; the cross build uses the same one.
set(PACKAGE_VERSION_COMPATIBLE TRUE)
set(PACKAGE_VERSION_EXACT FALSE)
