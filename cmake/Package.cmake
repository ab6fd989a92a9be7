# The release, made by scripts/package with cpack: Pelmora-VERSION.zip, one folder Pelmora-VERSION/
# holding the stripped program and the user guide, and its SHA-256 in Pelmora-VERSION.zip.sha256.
install(TARGETS Pelmora RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/app/Readme.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Pelmora)
set(CPACK_PACKAGE_VERSION ${PELMORA_VERSION})
set(CPACK_PACKAGE_FILE_NAME Pelmora-${PELMORA_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
