# Run by CPack after it has installed the tree into its staging folder and before it builds the
# .deb: adds the two files Debian wants in every package's documentation folder, the changelog
# and the copyright file (the licence in the machine-readable format).
set(doc "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME}")
if(NOT IS_DIRECTORY "${doc}")
    message(FATAL_ERROR "debian_extras: no documentation folder at ${doc}")
endif()

execute_process(COMMAND gzip -9nc "${CPACK_WSQ_SOURCE_DIR}/packaging/debian/changelog"
                OUTPUT_FILE "${doc}/changelog.Debian.gz" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "debian_extras: cannot compress the changelog")
endif()

# The licence's terms (from "Permission" on), each line indented by one space and empty lines
# written as " .".
file(READ "${CPACK_WSQ_SOURCE_DIR}/packaging/debian/copyright.head" head)
file(READ "${CPACK_WSQ_SOURCE_DIR}/LICENSE" terms)
string(FIND "${terms}" "Permission is hereby" start)
if(start LESS 0)
    message(FATAL_ERROR "debian_extras: LICENSE does not hold the Expat terms")
endif()
string(SUBSTRING "${terms}" ${start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
set(body " ${terms}\n")
file(WRITE "${doc}/copyright" "${head}${body}")
file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
