# CPack's pre-build script: before the packages are made, every file and
# folder laid out for them gets the time SOURCE_DATE_EPOCH names
# (scripts/build-package.sh sets it from the changelog), so that the
# archives do not carry the build's times.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
endif()
set(epoch $ENV{SOURCE_DATE_EPOCH})
execute_process(
    COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY} -exec touch -h -d @${epoch} {} +
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not set the times in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
