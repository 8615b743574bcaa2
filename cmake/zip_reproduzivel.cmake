# Run by CPack after it makes the zip: makes it again from the same staged files with Info-ZIP's
# zip, its entries sorted, no owner recorded (-X) and every file's time SOURCE_DATE_EPOCH when
# that is set (UTC), so that the same sources give the same bytes on any machine. CPack's own zip
# lists the files in the order the file system gives them and records the builder's user.
find_program(ZIP zip)
if(NOT ZIP)
  message(STATUS "zip not found: ${CPACK_PACKAGE_FILES} is left as CPack made it, its entries "
                 "in the file system's order (Debian: the zip package)")
  return()
endif()
foreach(pacote IN LISTS CPACK_PACKAGE_FILES)
  file(GLOB_RECURSE arquivos LIST_DIRECTORIES false RELATIVE "${CPACK_TOPLEVEL_DIRECTORY}"
       "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT arquivos)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${arquivos}
                    WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  list(JOIN arquivos "\n" lista)
  file(WRITE "${pacote}.lista" "${lista}\n")
  file(REMOVE "${pacote}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -q -9 "${pacote}" -@
                  INPUT_FILE "${pacote}.lista" WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${pacote}.lista")
endforeach()
