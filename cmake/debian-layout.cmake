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

function(gzip_into source target)
    execute_process(COMMAND gzip -9n -c "${source}" OUTPUT_FILE "${target}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "debian-layout: gzip ${source} failed: ${rc}")
    endif()
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

# Every file readable by all and written by its owner only; directories and programs searchable.
file(GLOB_RECURSE files LIST_DIRECTORIES true "${root}/*")
foreach(path IN LISTS files)
    if(IS_DIRECTORY "${path}" OR path MATCHES "/bin/[^/]+$")
        file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                         WORLD_READ WORLD_EXECUTE)
    else()
        file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
endforeach()
