# Run by CPack before it builds a package: the staged LICENSE becomes the copyright file beside
# it, in Debian's machine-readable format (DEP-5): the copyright and the licence of every file as
# .reuse/dep5 declares them, then, for each licence named there, a paragraph with its text from
# LICENSES/ (the files that `reuse lint` checks).
file(GLOB_RECURSE licencas "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/LICENSE")
list(FILTER licencas INCLUDE REGEX "/doc/${CPACK_PACKAGE_NAME}/LICENSE$")
foreach(arquivo IN LISTS licencas)
  set(dep5 "${CPACK_QUIRELO_FONTES}/.reuse/dep5")
  file(READ "${dep5}" texto)
  file(STRINGS "${dep5}" nomes REGEX "^License: ")
  list(REMOVE_DUPLICATES nomes)
  foreach(nome IN LISTS nomes)
    string(REGEX REPLACE "^License: " "" nome "${nome}")
    file(READ "${CPACK_QUIRELO_FONTES}/LICENSES/${nome}.txt" licenca)
    # A paragraph's text: each line indented by one space, an empty line written " .".
    string(STRIP "${licenca}" licenca)
    string(REGEX REPLACE "[ \t]*\n" "\n" licenca "${licenca}")
    string(REGEX REPLACE "\n\n+" "\n\n" licenca "${licenca}")
    string(REPLACE "\n" "\n " licenca " ${licenca}")
    string(REPLACE "\n \n" "\n .\n" licenca "${licenca}")
    string(APPEND texto "\nLicense: ${nome}\n${licenca}\n")
  endforeach()
  cmake_path(REPLACE_FILENAME arquivo copyright OUTPUT_VARIABLE copyright)
  file(WRITE "${copyright}" "${texto}")
  file(REMOVE "${arquivo}")
endforeach()
