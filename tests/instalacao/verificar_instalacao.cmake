# Installs the built game with cmake --install, under DESTDIR and under a prefix, and checks that
# exactly the executable and the manual page land where they belong, as the files that were built.

function(falhar)
  string(JOIN "" texto ${ARGN})
  message(FATAL_ERROR "${texto}")
endfunction()

# Runs cmake --install into `destdir` (empty: none) with `prefixo`; fails on any error.
function(instalar destdir prefixo)
  set(ambiente)
  if(destdir)
    set(ambiente ${CMAKE_COMMAND} -E env DESTDIR=${destdir})
  endif()
  execute_process(COMMAND ${ambiente} ${CMAKE_COMMAND} --install ${PASTA_BUILD} --prefix ${prefixo}
                  RESULT_VARIABLE r OUTPUT_VARIABLE saida ERROR_VARIABLE saida)
  if(NOT r EQUAL 0)
    falhar("cmake --install (DESTDIR='${destdir}', prefix ${prefixo}) failed (${r}):\n${saida}")
  endif()
endfunction()

# Checks that `raiz` holds exactly the game at `jogo` and the manual page at `manual`.
function(conferir raiz jogo manual)
  file(GLOB_RECURSE tudo LIST_DIRECTORIES false RELATIVE ${raiz} ${raiz}/*)
  list(SORT tudo)
  set(esperado ${jogo} ${manual})
  list(SORT esperado)
  if(NOT tudo STREQUAL esperado)
    list(JOIN tudo "\n  " tudo)
    list(JOIN esperado "\n  " esperado)
    falhar("installed under ${raiz}:\n  ${tudo}\nexpected:\n  ${esperado}")
  endif()

  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXECUTAVEL} ${raiz}/${jogo}
                  RESULT_VARIABLE diferente)
  if(diferente)
    falhar("${raiz}/${jogo} is not the executable that was built (${EXECUTAVEL})")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${MANUAL} ${raiz}/${manual}
                  RESULT_VARIABLE diferente)
  if(diferente)
    falhar("${raiz}/${manual} is not the manual page ${MANUAL}")
  endif()

  # The installed game runs on its own: at once at the end of input, status 0, menu drawn.
  execute_process(COMMAND ${raiz}/${jogo} INPUT_FILE /dev/null RESULT_VARIABLE r
                  OUTPUT_VARIABLE tela TIMEOUT 20)
  if(NOT r STREQUAL "0")
    falhar("${raiz}/${jogo} </dev/null ended with '${r}', not 0")
  endif()
  string(FIND "${tela}" "Q U I R E L O   Z A V" titulo)
  if(titulo EQUAL -1)
    falhar("${raiz}/${jogo} </dev/null did not draw the menu:\n${tela}")
  endif()
endfunction()

file(REMOVE_RECURSE ${TRABALHO})

# A packager's install: DESTDIR staging with the system prefix.
instalar(${TRABALHO}/destdir /usr)
conferir(${TRABALHO}/destdir usr/${PASTA_JOGOS}/quirelo usr/${PASTA_MANUAL}/quirelo.6)

# A player's install under a prefix of their own, no DESTDIR.
instalar("" ${TRABALHO}/prefixo)
conferir(${TRABALHO}/prefixo ${PASTA_JOGOS}/quirelo ${PASTA_MANUAL}/quirelo.6)

# The manual page renders with no warning from groff.
find_program(GROFF groff)
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${MANUAL} RESULT_VARIABLE r
                  ERROR_VARIABLE avisos)
  if(NOT r EQUAL 0 OR avisos)
    falhar("groff -man -Tutf8 -ww on ${MANUAL} (${r}):\n${avisos}")
  endif()
else()
  message(WARNING "groff not found: the manual page's rendering was not checked")
endif()

file(REMOVE_RECURSE ${TRABALHO})
