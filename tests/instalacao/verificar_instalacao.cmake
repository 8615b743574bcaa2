# Installs the built game with cmake --install, under DESTDIR and under a prefix, and checks that
# exactly its files land where they belong, as the files that were built: the executable, the
# manual page, the read-me (without links to files not installed beside it), the news and the
# licence, the menu entry (validated, starting the installed game), the AppStream metainfo
# (validated), the icon as SVG and in each PNG size.

function(falhar)
  string(JOIN "" texto ${ARGN})
  message(FATAL_ERROR "${texto}")
endfunction()

string(REPLACE "," ";" TAMANHOS "${TAMANHOS}")
include(${CMAKE_CURRENT_LIST_DIR}/conferir_links.cmake)
# The validators of the menu entry and of the metainfo, the manual page's renderer.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
find_program(GROFF groff)

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

# `saida` ← the width and height of the PNG image `arquivo` ("WxH"), from its header.
function(tamanho_do_png arquivo saida)
  file(READ ${arquivo} cabecalho LIMIT 24 HEX)
  if(NOT cabecalho MATCHES "^89504e470d0a1a0a0000000d49484452(........)(........)$")
    falhar("${arquivo} is not a PNG image")
  endif()
  math(EXPR largura "0x${CMAKE_MATCH_1}")
  math(EXPR altura "0x${CMAKE_MATCH_2}")
  set(${saida} "${largura}x${altura}" PARENT_SCOPE)
endfunction()

# Checks that `raiz` holds exactly the game's files, each as built: under `raiz`/`base`, where
# `base` is usr/ for a packager's DESTDIR and empty for a prefix; `exec` is the path the menu
# entry must start.
function(conferir raiz base exec)
  set(icones ${base}${PASTA_DADOS}/icons/hicolor)
  set(instalados
      ${base}${PASTA_BIN}/quirelo ${base}${PASTA_MANUAL}/quirelo.6
      ${base}${PASTA_DOC}/README.md ${base}${PASTA_DOC}/NEWS.md ${base}${PASTA_DOC}/LICENSE
      ${base}${PASTA_DADOS}/metainfo/${ID_APPSTREAM}.metainfo.xml
      ${icones}/scalable/apps/quirelo.svg)
  set(originais
      ${EXECUTAVEL} ${MANUAL} ${PASTA_BUILD}/README.md ${FONTES}/NEWS.md ${FONTES}/LICENSE
      ${FONTES}/desktop/${ID_APPSTREAM}.metainfo.xml ${FONTES}/desktop/quirelo.svg)
  set(entrada ${base}${PASTA_DADOS}/applications/quirelo.desktop)
  set(esperado ${instalados} ${entrada})
  foreach(lado IN LISTS TAMANHOS)
    list(APPEND esperado ${icones}/${lado}x${lado}/apps/quirelo.png)
  endforeach()

  file(GLOB_RECURSE tudo LIST_DIRECTORIES false RELATIVE ${raiz} ${raiz}/*)
  list(SORT tudo)
  list(SORT esperado)
  if(NOT tudo STREQUAL esperado)
    list(JOIN tudo "\n  " tudo)
    list(JOIN esperado "\n  " esperado)
    falhar("installed under ${raiz}:\n  ${tudo}\nexpected:\n  ${esperado}")
  endif()

  foreach(instalado original IN ZIP_LISTS instalados originais)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${original} ${raiz}/${instalado}
                    RESULT_VARIABLE diferente)
    if(diferente)
      falhar("${raiz}/${instalado} is not ${original}")
    endif()
  endforeach()

  foreach(lado IN LISTS TAMANHOS)
    tamanho_do_png(${raiz}/${icones}/${lado}x${lado}/apps/quirelo.png tamanho)
    if(NOT tamanho STREQUAL "${lado}x${lado}")
      falhar("${icones}/${lado}x${lado}/apps/quirelo.png is ${tamanho} pixels")
    endif()
  endforeach()

  conferir_links(${raiz}/${base}${PASTA_DOC})

  file(STRINGS ${raiz}/${entrada} linha_exec REGEX "^Exec=")
  if(NOT linha_exec STREQUAL "Exec=${exec}")
    falhar("${raiz}/${entrada} has '${linha_exec}', not 'Exec=${exec}'")
  endif()
  if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${raiz}/${entrada} RESULT_VARIABLE r
                    OUTPUT_VARIABLE saida ERROR_VARIABLE saida)
    if(NOT r EQUAL 0 OR saida)
      falhar("desktop-file-validate ${raiz}/${entrada} (${r}):\n${saida}")
    endif()
  endif()
  # The metainfo, and the menu entry it names. Its component id is a placeholder under the
  # reserved .example domain until the game has a home (docs/pacote.md): the one note allowed is
  # the validator's that it does not know that domain.
  if(APPSTREAMCLI)
    execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net ${raiz}/${base}
                    RESULT_VARIABLE r OUTPUT_VARIABLE saida ERROR_VARIABLE saida)
    string(REGEX MATCHALL "(^|\n) *[EWIP]: [^\n]*" notas "${saida}")
    list(FILTER notas EXCLUDE REGEX "^\n? *I: [^ ]+ cid-maybe-not-rdns ")
    if(NOT r EQUAL 0 OR notas)
      falhar("appstreamcli validate-tree --no-net ${raiz}/${base} (${r}):\n${saida}")
    endif()
  endif()

  # The installed game runs on its own: at once at the end of input, status 0, menu drawn.
  execute_process(COMMAND ${raiz}/${base}${PASTA_BIN}/quirelo INPUT_FILE /dev/null
                  RESULT_VARIABLE r OUTPUT_VARIABLE tela TIMEOUT 20)
  if(NOT r STREQUAL "0")
    falhar("${raiz}/${base}${PASTA_BIN}/quirelo </dev/null ended with '${r}', not 0")
  endif()
  string(FIND "${tela}" "Q U I R E L O   Z A V" titulo)
  if(titulo EQUAL -1)
    falhar("${raiz}/${base}${PASTA_BIN}/quirelo </dev/null did not draw the menu:\n${tela}")
  endif()
endfunction()

file(REMOVE_RECURSE ${TRABALHO})

# A packager's install: DESTDIR staging with the system prefix.
instalar(${TRABALHO}/destdir /usr)
conferir(${TRABALHO}/destdir usr/ /usr/${PASTA_BIN}/quirelo)

# A player's install under a prefix of their own, no DESTDIR.
instalar("" ${TRABALHO}/prefixo)
conferir(${TRABALHO}/prefixo "" ${TRABALHO}/prefixo/${PASTA_BIN}/quirelo)

foreach(ferramenta GROFF DESKTOP_FILE_VALIDATE APPSTREAMCLI)
  if(NOT ${ferramenta})
    message(WARNING "${ferramenta} not found: what it checks was not checked")
  endif()
endforeach()

# The manual page renders with no warning from groff.
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${MANUAL} RESULT_VARIABLE r
                  ERROR_VARIABLE avisos)
  if(NOT r EQUAL 0 OR avisos)
    falhar("groff -man -Tutf8 -ww on ${MANUAL} (${r}):\n${avisos}")
  endif()
endif()

# The version is the same wherever it is written: the manual's header, the newest entry of the
# news, the newest release of the metainfo, the RPM recipe and the Arch PKGBUILD.
function(conferir_versao arquivo padrao)
  file(STRINGS ${arquivo} linhas REGEX "${padrao}")
  list(POP_FRONT linhas linha)
  if(NOT linha MATCHES "${padrao}")
    falhar("${arquivo} has no line matching ${padrao}")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL "${VERSAO}")
    falhar("${arquivo} gives the version as ${CMAKE_MATCH_1}, not ${VERSAO}: ${linha}")
  endif()
endfunction()
conferir_versao(${MANUAL} "^\\.TH QUIRELO 6 [0-9-]+ \"quirelo ([^\"]+)\"")
conferir_versao(${FONTES}/NEWS.md "^## ([^ ]+) ")
conferir_versao(${FONTES}/desktop/${ID_APPSTREAM}.metainfo.xml "<release version=\"([^\"]+)\"")
conferir_versao(${FONTES}/packaging/quirelo.spec "^Version: +([^ ]+)$")
conferir_versao(${FONTES}/packaging/PKGBUILD "^pkgver=([^ ]+)$")

file(REMOVE_RECURSE ${TRABALHO})
