# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged tree before the .deb is made from it:
# what Debian's policy asks of an installed package beyond what `cmake --install` puts there.
#  - manual pages compressed with gzip -9n (no name, no time stamp: the same bytes every build);
#  - the Debian changelog as usr/share/doc/tallyer/changelog.gz, the name for a package whose
#    version has no Debian revision;
#  - the .comment and .note sections left out of the stripped executables, as dh_strip does.

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${root}/bin")
    message(FATAL_ERROR "debian-layout: no staged tree at ${root}")
endif()

# The compressed file is written through an output redirection, so its mode is set as install() sets
# a data file's, whatever the builder's umask.
function(gzip_into source target)
    execute_process(COMMAND gzip -9n -c "${source}" OUTPUT_FILE "${target}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "debian-layout: gzip ${source} failed: ${rc}")
    endif()
    file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

file(GLOB_RECURSE pages "${root}/share/man/*.[1-9]")
foreach(page IN LISTS pages)
    gzip_into("${page}" "${page}.gz")
    file(REMOVE "${page}")
endforeach()

gzip_into("${CPACK_TALLYER_CHANGELOG}" "${root}/share/doc/tallyer/changelog.gz")

file(GLOB programs "${root}/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND "${CPACK_TALLYER_OBJCOPY}" --remove-section=.comment --remove-section=.note
                            "${program}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "debian-layout: objcopy ${program} failed: ${rc}")
    endif()
endforeach()
