// What the POSIX backend's parts give each other; each file calls only those above it here.
#pragma once

#include "console/comum/edicao_linha.h"
#include "console/comum/tela.h"
#include "console/posix/capacidades.h"

#include <csignal>
#include <string>
#include <string_view>

// How long the rest of a key's bytes (an escape sequence, a UTF-8 letter) may take to arrive.
constexpr long long espera_resto_da_tecla_ns = 50'000'000;

// --- The waits (espera.cpp): async-signal-safe, but iniciar_avisos ---

// The clock of every wait, in nanoseconds, counting neither the machine's sleep nor the time the
// game was stopped (`somar_parada`), so that a flash shows the rest of its time after.
long long agora_ns();
void somar_parada(long long ns);

// Makes the pipe the handlers wake the wait through, above descriptor 2; once, before any runs.
void iniciar_avisos();

// A handler asks for a redraw after a stop or for a new window size (`avisar`, which wakes the
// wait in progress or the next one); `pedidos`: what was asked since `atender_pedidos`.
enum pedido : int { pedido_voltou = 1, pedido_janela = 2 };
void avisar(pedido p);
int pedidos();
void atender_pedidos();

// The one wait: until `fd` (none when negative) is ready for reading (for writing when
// `escrita`), the clock reaches `prazo_ns` (never when negative) or a handler asks something. A
// failed wait counts as ready: the read or write then tells what failed.
enum class visto { pronto, prazo, aviso };
visto esperar_por(int fd, bool escrita, long long prazo_ns);

// Writes every byte on standard output, waiting while it takes no more until `prazo_ns` (never
// when negative); 0, or the error that stopped it (ETIMEDOUT when the time ran out).
int escrever_tudo(std::string_view bytes, long long prazo_ns);

// --- Modes and signals (modos.cpp) ---

// Takes the terminal when standard input and output both are (no canonical mode, no echo), and
// installs the handlers: on any output those that end with its colours back, on a terminal Ctrl-Z
// and the new window size too. Returns what terminfo says of it (the defaults when none).
capacidades_do_terminal iniciar_modos();

// What the terminal is sent with the game's first screen (the alternate screen, the cursor).
std::string_view ao_tomar();

// Gives the terminal its colours, cursor, screen and modes back; async-signal-safe. `acao`:
// TCSAFLUSH when leaving (what was typed for the game is not the shell's), TCSADRAIN to stop.
void devolver_terminal(int acao);

// Both standard streams are terminals: the backend edits and echoes lines, a key can be waited for.
bool terminal_tomado();

// Holds back the signals whose handlers give the terminal back; returns the mask to put back.
sigset_t segurar_sinais();

// --- The screen (tela.cpp) ---

// Writes what is waiting in one write, the restoring signals held back meanwhile.
void descarregar();

// Waits as `esperar_por` does for input on `fd` until `prazo_ns`, drawing the screen again
// whenever a handler asks (a window being dragged at a bounded rate); false when the time came.
bool aguardar(int fd, long long prazo_ns);

// A read or key wait begins: the next sleep starts a schedule of its own.
void recomecar_prazos();

bool texto_em_utf8();

// Reads a typed line (or its first `maior_pedaco` bytes) from `pendente`, which `receber` fills,
// into `pedaco`, echoed where the drawing left the cursor and then kept with it; false at the end.
bool digitar_linha(std::string& pendente, std::string& pedaco, bool (*receber)());

// Every cell of a window as a space in the colours in force (for no bce), then cursor home; where
// the last cell would scroll (am without xenl), the one before it pushed in by an inserted blank.
std::string pintura_da_janela(int linhas, int colunas, bool escreve_ultima_celula);
