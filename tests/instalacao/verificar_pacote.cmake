# Builds the Debian package with cpack -G DEB and checks its control fields and its contents:
# the game in /usr/BINDIR (games in the released package), stripped (of .comment too), its manual
# page compressed in section 6, the read-me, the changelog made from the news and the copyright
# file from the licences, the menu entry, the icons and the metainfo, the library dependencies
# (the menu entry's contents: verificar_instalacao.cmake).

function(falhar)
  string(JOIN "" texto ${ARGN})
  message(FATAL_ERROR "${texto}")
endfunction()
include(${CMAKE_CURRENT_LIST_DIR}/conferir_links.cmake)

# `saida` ← what `dpkg-deb` prints with the given arguments for the package.
function(dpkg_deb saida)
  execute_process(COMMAND ${DPKG_DEB} ${ARGN} RESULT_VARIABLE r OUTPUT_VARIABLE texto
                  ERROR_VARIABLE erro)
  if(NOT r EQUAL 0)
    falhar("dpkg-deb ${ARGN} failed (${r}):\n${erro}")
  endif()
  set(${saida} "${texto}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${TRABALHO})
execute_process(COMMAND ${CPACK} -G DEB --config ${PASTA_BUILD}/CPackConfig.cmake -B ${TRABALHO}
                RESULT_VARIABLE r OUTPUT_VARIABLE saida ERROR_VARIABLE saida)
if(NOT r EQUAL 0)
  falhar("cpack -G DEB failed (${r}):\n${saida}")
endif()
file(GLOB pacotes ${TRABALHO}/*.deb)
list(LENGTH pacotes quantos)
if(NOT quantos EQUAL 1)
  falhar("cpack made ${quantos} .deb files: ${pacotes}")
endif()
get_filename_component(nome ${pacotes} NAME)
if(NOT nome MATCHES "^quirelo_[0-9.]+_[a-z0-9]+\\.deb$")
  falhar("the package file is named ${nome}, not quirelo_VERSION_ARCH.deb")
endif()

dpkg_deb(campos -f ${pacotes} Package Section Maintainer Depends)
foreach(esperado "Package: quirelo\n" "Section: games\n" "Maintainer: Equipe QUIRELO ZAV TUNIX <")
  string(FIND "${campos}" "${esperado}" onde)
  if(onde EQUAL -1)
    falhar("the package's control has no '${esperado}':\n${campos}")
  endif()
endforeach()
foreach(biblioteca libc6 libstdc\\+\\+6 libtinfo6)
  if(NOT campos MATCHES "Depends:[^\n]*${biblioteca} \\(>= ")
    falhar("the package does not depend on ${biblioteca}:\n${campos}")
  endif()
endforeach()

# Only the game's files, where Debian keeps them.
file(MAKE_DIRECTORY ${TRABALHO}/conteudo)
execute_process(COMMAND ${DPKG_DEB} -x ${pacotes} ${TRABALHO}/conteudo RESULT_VARIABLE r)
if(NOT r EQUAL 0)
  falhar("dpkg-deb -x ${pacotes} failed (${r})")
endif()
file(GLOB_RECURSE arquivos LIST_DIRECTORIES false RELATIVE ${TRABALHO}/conteudo
     ${TRABALHO}/conteudo/*)
list(SORT arquivos)
string(REPLACE "," ";" TAMANHOS "${TAMANHOS}")
set(icones usr/${PASTA_DADOS}/icons/hicolor)
set(esperados
    usr/${PASTA_BIN}/quirelo usr/${PASTA_MANUAL}/quirelo.6.gz
    usr/${PASTA_DOC}/README.md usr/${PASTA_DOC}/changelog.gz usr/${PASTA_DOC}/copyright
    usr/${PASTA_DADOS}/applications/quirelo.desktop
    usr/${PASTA_DADOS}/metainfo/${ID_APPSTREAM}.metainfo.xml ${icones}/scalable/apps/quirelo.svg)
foreach(lado IN LISTS TAMANHOS)
  list(APPEND esperados ${icones}/${lado}x${lado}/apps/quirelo.png)
endforeach()
list(SORT esperados)
if(NOT arquivos STREQUAL esperados)
  list(JOIN arquivos "\n  " arquivos)
  list(JOIN esperados "\n  " esperados)
  falhar("the package holds:\n  ${arquivos}\nexpected:\n  ${esperados}")
endif()

conferir_links(${TRABALHO}/conteudo/usr/${PASTA_DOC})

# The page in the package is the project's page.
execute_process(COMMAND gzip -dc ${TRABALHO}/conteudo/usr/${PASTA_MANUAL}/quirelo.6.gz
                OUTPUT_FILE ${TRABALHO}/quirelo.6 RESULT_VARIABLE r)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${MANUAL} ${TRABALHO}/quirelo.6
                RESULT_VARIABLE diferente)
if(NOT r EQUAL 0 OR diferente)
  falhar("the package's manual page is not ${MANUAL}")
endif()

# The changelog: the news as a Debian changelog whose newest entry is this version.
execute_process(COMMAND gzip -dc ${TRABALHO}/conteudo/usr/${PASTA_DOC}/changelog.gz
                OUTPUT_FILE ${TRABALHO}/changelog RESULT_VARIABLE r)
execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${TRABALHO}/changelog -S Version
                RESULT_VARIABLE r2 OUTPUT_VARIABLE versao ERROR_VARIABLE erro
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT r EQUAL 0 OR NOT r2 EQUAL 0 OR erro OR NOT versao STREQUAL "${VERSAO}")
  file(READ ${TRABALHO}/changelog changelog)
  falhar("the package's changelog is not a Debian changelog of version ${VERSAO} "
         "(dpkg-parsechangelog: '${versao}' ${erro}):\n${changelog}")
endif()

# Stripped as Debian strips: no symbols, and no .comment (the compilers' version strings).
execute_process(COMMAND ${OBJDUMP} -h ${TRABALHO}/conteudo/usr/${PASTA_BIN}/quirelo
                RESULT_VARIABLE r OUTPUT_VARIABLE secoes)
if(NOT r EQUAL 0 OR secoes MATCHES " \\.(comment|symtab) ")
  falhar("the packaged game keeps a .comment or .symtab section (${r}):\n${secoes}")
endif()

# The packaged game runs: status 0 at the end of input.
execute_process(COMMAND ${TRABALHO}/conteudo/usr/${PASTA_BIN}/quirelo INPUT_FILE /dev/null
                RESULT_VARIABLE r OUTPUT_QUIET TIMEOUT 20)
if(NOT r STREQUAL "0")
  falhar("the packaged game </dev/null ended with '${r}', not 0")
endif()

file(REMOVE_RECURSE ${TRABALHO})
