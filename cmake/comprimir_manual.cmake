# Run by CPack before it builds a package: compresses the staged manual pages, as Debian's
# packages carry them (gzip -9n, so the same page always gives the same bytes).
file(GLOB_RECURSE paginas "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.6")
find_program(GZIP gzip REQUIRED)
foreach(pagina IN LISTS paginas)
  execute_process(COMMAND ${GZIP} -9nf "${pagina}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
