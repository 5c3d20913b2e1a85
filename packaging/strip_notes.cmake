# Run by cpack on the files it is about to package: strips the compiler's .comment and .note
# sections from the programs, as Debian's dh_strip does (cpack's own strip keeps them).
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
