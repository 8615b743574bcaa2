# Runs the real executable with standard input and output redirected (under the cross build's
# emulator when there is one) and checks what its terminal backend writes and how it ends.
# Called by ctest: cmake -DJOGO=... -DEMULADOR=... -DWINDOWS=... -P saida_redirecionada.cmake

# Runs the game with `entrada` on standard input and COLUMNS set to `colunas` (unset when empty);
# sets `saida` and `estado` in the caller.
function(rodar entrada colunas)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/entrada_redirecionada.txt" "${entrada}")
  if(colunas STREQUAL "")
    unset(ENV{COLUMNS})
  else()
    set(ENV{COLUMNS} "${colunas}")
  endif()
  execute_process(COMMAND ${EMULADOR} "${JOGO}"
    INPUT_FILE "${CMAKE_CURRENT_BINARY_DIR}/entrada_redirecionada.txt"
    OUTPUT_VARIABLE texto RESULT_VARIABLE resultado TIMEOUT 60)
  set(saida "${texto}" PARENT_SCOPE)
  set(estado "${resultado}" PARENT_SCOPE)
endfunction()

# Fails the test with `mensagem` unless the condition that follows it holds.
function(exigir mensagem)
  if(NOT (${ARGN}))
    message(SEND_ERROR "${mensagem}")
  endif()
endfunction()

string(ASCII 27 esc)

# Rules, then credits, then the end of input: the key waits take nothing from the script. The
# first menu is drawn in the normal scheme already, light grey on black.
rodar("2\n3\n" "60")
exigir("end of input must end the game with 0, got ${estado}" estado STREQUAL 0)
string(FIND "${saida}" "${esc}[0;40;37m${esc}[H${esc}[2J${esc}[3;11H${esc}[36m          *"
  menu_centrado)
exigir("menu not cleared in the normal scheme and centred for COLUMNS=60" menu_centrado EQUAL 0)
string(FIND "${saida}" "Letras ou numeros diferentes serão considerados errados." aviso)
exigir("the warning line is not in UTF-8" aviso GREATER_EQUAL 0)
string(FIND "${saida}" "REGRAS" regras)
string(FIND "${saida}" "CREDITOS\n" creditos)
string(FIND "${saida}" "Pressione qualquer tecla para continuar. . .\n" prompt REVERSE)
exigir("rules, then credits, each ending with the key prompt, expected"
  regras GREATER 0 AND creditos GREATER regras AND prompt GREATER creditos)

# No COLUMNS, or one that is not a number: 80 columns.
foreach(colunas "" "abc")
  rodar("" "${colunas}")
  exigir("empty input must end the game with 0, got ${estado}" estado STREQUAL 0)
  string(FIND "${saida}" "${esc}[3;21H" coluna_20)
  exigir("COLUMNS='${colunas}' must centre on 80 columns" coluna_20 GREATER 0)
endforeach()

# 38 columns: a negative block column moves nothing.
rodar("" "38")
string(FIND "${saida}" "${esc}[3;" movido)
exigir("a window of 38 columns must not move the cursor" movido EQUAL -1)

# Streams that cannot work end the game with status 1 and one line on standard error that says
# what failed: output to a full disk or to a closed descriptor, input from a closed descriptor
# or from a folder.
find_program(SH sh)
foreach(caso "saida cheia|</dev/null >/dev/full" "saida fechada|</dev/null >&-"
             "entrada fechada|<&- >/dev/null" "entrada numa pasta|</ >/dev/null")
  string(REPLACE "|" ";" caso "${caso}")
  list(GET caso 0 nome)
  list(GET caso 1 redirecoes)
  execute_process(COMMAND ${SH} -c "exec \"$@\" ${redirecoes}" sh ${EMULADOR} "${JOGO}"
    ERROR_VARIABLE erros RESULT_VARIABLE estado TIMEOUT 60)
  exigir("${nome}: status 1 expected, got ${estado}" estado STREQUAL 1)
  exigir("${nome}: one line \"quirelo: ...\" on standard error expected, got '${erros}'"
    erros MATCHES "^quirelo: [^\n]+\n$")
endforeach()

if(NOT WINDOWS)
  return()
endif()

# Windows: a round, answered wrong, from standard input. Each flash's colours go out before the
# clear, so the terminal clears in them; the legend is drawn again in the normal scheme.
rodar("1\n9\n9\n" "")
exigir("a round must end the game with 0 at the end of input, got ${estado}" estado STREQUAL 0)
foreach(k 1 2)
  string(REGEX MATCH "${esc}\\[0;4[1-6];97m${esc}\\[H${esc}\\[2JCor:${k}" flash "${saida}")
  exigir("flash ${k} not in its colours from the clear on" flash)
endforeach()
string(FIND "${saida}" "${esc}[0;40;37m${esc}[H${esc}[2J1 - Vermelho\n2 - Azul\n" legenda)
exigir("the legend not drawn again in the normal scheme" legenda GREATER 0)

# Nobody reads the output any more: the game ends at its next write, as POSIX's SIGPIPE ends it.
find_program(HEAD head)
if(HEAD)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/entrada_redirecionada.txt" "1\n")
  execute_process(COMMAND ${EMULADOR} "${JOGO}" COMMAND ${HEAD} -c 1
    INPUT_FILE "${CMAKE_CURRENT_BINARY_DIR}/entrada_redirecionada.txt"
    OUTPUT_QUIET RESULTS_VARIABLE estados TIMEOUT 60)
  list(GET estados 0 estado)
  exigir("a closed pipe must end the game with 141 at once, got ${estado}" estado STREQUAL 141)
endif()
