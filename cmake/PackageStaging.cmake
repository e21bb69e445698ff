# Run by CPack on the staged files before the package is made, to give them Debian's form:
# the programs without the sections strip leaves in (.comment, .note), the man pages and
# the changelog compressed (gzip -9n: no name or time stamp, so the package is reproducible).
file(GLOB staged_programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
file(GLOB_RECURSE staged_pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
file(GLOB_RECURSE staged_changelogs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/*/changelog")
if(NOT staged_programs OR NOT staged_pages)
  message(FATAL_ERROR "no programs or no man pages staged under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${status}")
  endif()
endfunction()

foreach(program IN LISTS staged_programs)
  run(strip --remove-section=.comment --remove-section=.note "${program}")
endforeach()
foreach(file IN LISTS staged_pages staged_changelogs)
  run(gzip -9nf "${file}")
endforeach()
