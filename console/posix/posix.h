// What the parts of the POSIX backend give each other, each part calling only those listed
// before it: the waits (espera.cpp), the modes and signals (modos.cpp), the screen with the line
// being typed on it and the sleeps (tela.cpp), and the input (entrada.cpp), which gives most of
// console/terminal.h. Each part keeps its own state.
#pragma once

#include "console/comum/edicao_linha.h"
#include "console/posix/capacidades.h"

#include <csignal>
#include <string>
#include <string_view>

// The sequences both the screen and the way out send: cursor home, erase the screen.
constexpr std::string_view cursor_ao_inicio = "\033[H";
constexpr std::string_view apagar_tela = "\033[2J";

// --- The waits (espera.cpp); all async-signal-safe but iniciar_avisos ---

// The clock of every wait, in nanoseconds: one that counts neither the machine's own sleep nor
// the time the game was stopped (Ctrl-Z), so that a flash shows the rest of its time after either.
long long agora_ns();
// The game was stopped for `ns`, which the clock leaves out from now on.
void somar_parada(long long ns);

// Makes the pipe through which the signal handlers wake the wait in progress, on descriptors
// above standard error whichever of 0, 1 and 2 are closed; once, before any handler runs.
void iniciar_avisos();

// What a signal handler asks of the game's screen: to draw it again after a stop, or for a new
// window size. `avisar` asks and wakes the wait in progress, or the next one; `pedidos` tells
// what was asked since `atender_pedidos` last took it.
enum pedido : int { pedido_voltou = 1, pedido_janela = 2 };
void avisar(pedido p);
int pedidos();
void atender_pedidos();

// The one wait: until `fd` (none when negative) is ready for reading, or for writing when
// `escrita`, until the clock reaches `prazo_ns` (never when negative), or until a handler asks
// something. A failed wait counts as ready: the read or write then tells what failed.
enum class visto { pronto, prazo, aviso };
visto esperar_por(int fd, bool escrita, long long prazo_ns);

// Writes every byte on standard output, waiting while it takes no more until `prazo_ns` (never
// when negative). 0 once all is written, else the error that stopped it (ETIMEDOUT: the time).
int escrever_tudo(std::string_view bytes, long long prazo_ns);

// --- Modes and signals (modos.cpp) ---

// Takes the terminal when both standard input and output are terminals (no canonical mode, no
// echo) and installs the signal handlers: on every output those that end the game with the
// terminal's colours given back, on a terminal also Ctrl-Z and the new window size. Returns what
// terminfo says of the output's terminal (the defaults when it is no terminal).
capacidades_do_terminal iniciar_modos();

// What the terminal is sent with the game's first screen (the alternate screen, the cursor).
std::string_view ao_tomar();

// Gives the terminal its colours, cursor, screen and modes back; async-signal-safe. `acao` is
// TCSAFLUSH when leaving for good (what was typed for the game is not the shell's) and TCSADRAIN
// when stopping (it stays for the game's reads).
void devolver_terminal(int acao);

// Both standard input and output are terminals, and the game took them: the backend edits and
// echoes the lines itself, and a key can be waited for.
bool terminal_tomado();

// Holds back the signals whose handlers give the terminal back; returns the mask to put back.
sigset_t segurar_sinais();

// --- The screen (tela.cpp) ---

// Writes what is waiting in one write, with the restore signals held back meanwhile.
void descarregar();

// Waits as `esperar_por` does for `fd` to have input, drawing the screen again meanwhile whenever
// a handler asks for it (a window being dragged at a bounded rate). True when `fd` is ready,
// false when `prazo_ns` came first.
bool aguardar(int fd, long long prazo_ns);

// A read or key wait begins: the next sleep starts a schedule of its own.
void recomecar_prazos();

// Whether the terminal's encoding is UTF-8 (otherwise one byte is one character).
bool texto_em_utf8();

// A line read at the terminal begins, its echo where the game's drawing left the cursor.
void comecar_a_digitar();

// Edits the typed bytes at the front of `pendente` into the line, echoing them, until the line is
// ready or fills a piece: then its piece goes into `pedaco`, what the screen shows of it stays
// with what the game drew, and `linha_pronta` is returned.
passo_edicao digitar(std::string& pendente, std::string& pedaco);

// Whether the line's editing stands inside an escape sequence; dropping it, so that the next
// byte counts as a key of its own (a lone Esc).
bool escape_pendente();
void abandonar_escape();

// The bytes that write every cell of a window as a space in the colours in force, for a
// terminal whose erase keeps its own background (no bce), cursor home at the end. Where writing
// the last cell would scroll the screen (`escreve_ultima_celula` false: am without xenl), the
// cell before it is written, pushed into the last one by an inserted blank, and written again.
std::string pintura_da_janela(int linhas, int colunas, bool escreve_ultima_celula);
