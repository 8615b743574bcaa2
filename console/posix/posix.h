// What the parts of the POSIX backend offer each other: the screen and its painting (tela.cpp),
// the modes and signals (modos.cpp), the sleeps (sono.cpp) and the input (entrada.cpp). Each
// part keeps its own state; the terminal primitives of console/terminal.h are spread over them.
#pragma once

#include "console/agenda.h"
#include "console/edicao_linha.h"
#include "console/posix/capacidades.h"

#include <csignal>
#include <string>
#include <string_view>

// The sequences both the screen and the way out send: cursor home, erase the screen.
constexpr std::string_view cursor_ao_inicio = "\033[H";
constexpr std::string_view apagar_tela = "\033[2J";

// --- The screen (tela.cpp) ---

// Standard output is a terminal: the screens are drawn in the console's normal scheme from the
// first one, painted as `capacidades` needs, and `ao_tomar` goes out with the first screen.
void iniciar_tela(const capacidades_do_terminal& capacidades, std::string_view ao_tomar);

// Writes the echo of the player's typing, `eco`, and keeps `mostrada`, what the screen now shows
// of the line being typed, to draw it again (up to a bound). Once the line, or a piece of it, is
// `entregue` to the reads, what it shows stays with what the game drew.
void ecoar_digitacao(std::string_view eco, std::string_view mostrada, bool entregue);

// Puts everything drawn on the screen, before the game does anything that takes time.
void mostrar_tela();

// Async-signal-safe: the game came back from a stop and its screen must be drawn again.
void pedir_redesenho();

// Async-signal-safe: the window took a new size, for which the screen must be drawn again.
void pedir_redesenho_da_janela();

// When the screen must be drawn again, on the sleeps' clock: 0 at once, -1 never. While a window
// is being dragged, its sizes are drawn at a bounded rate.
long long redesenho_devido_ns();

// Draws the game's screen again, as it was, for the window's size now, if a stop or a new size
// asked for it and the time has come (see `redesenho_devido_ns`).
void redesenhar_se_preciso();

// How many times the screen was drawn again so far: the echo of a line being typed is laid out
// again after each.
unsigned redesenhos_da_tela();

// Writes what is waiting, with the restore signals held back meanwhile.
void descarregar();

// The same before the game ends on a fault: a write that fails again is given up.
void descarregar_ao_falhar();

// How the terminal shows text: its encoding, the columns of each character, the window's width.
forma_do_terminal forma_da_tela();

// The column where the cursor stands on a terminal of `forma` after what was drawn since the last
// clear, without the line being typed: where that line begins.
int coluna_do_cursor(const forma_do_terminal& forma);

// The bytes that write every cell of a window as a space in the colours in force, for a
// terminal whose erase keeps its own background (no bce), cursor home at the end. Where writing
// the last cell would scroll the screen (`escreve_ultima_celula` false: am without xenl), the
// cell before it is written, pushed into the last one by an inserted blank, and written again.
std::string pintura_da_janela(int linhas, int colunas, bool escreve_ultima_celula);

// --- Waits (espera.cpp) ---

// Makes the pipe through which the signal handlers wake the waits; once, before any handler runs.
void iniciar_avisos();

// Async-signal-safe: wakes the wait in progress, or the next one, to draw the screen again.
void acordar_esperas();

// Waits until standard output takes more (a blocking one takes it at once); false when `ms`
// went by first (never, for a negative `ms`). Async-signal-safe.
bool esperar_saida(int ms);

// Waits until `fd` is ready for reading (for writing when `escrita`), or until the sleeps' clock
// reaches `prazo_ns` (never when negative); -1 waits for the time alone. Meanwhile the screen is
// drawn again whenever a stop or a new window size asks for it. True when the descriptor is
// ready, or failed (the read or write then reports it); false when the time came first.
bool esperar_descritor(int fd, bool escrita, long long prazo_ns);

// --- Modes and signals (modos.cpp) ---

// Both standard input and output are terminals, and the game took them (no canonical mode, no
// echo): the backend edits and echoes the lines itself, and a key can be waited for.
bool terminal_tomado();

// Holds back the signals whose handlers give the terminal back, so that none runs meanwhile;
// returns the mask to put back.
sigset_t segurar_sinais();

// --- Sleeps (sono.cpp) ---

// A read or key wait begins: the next sleep starts a schedule of its own.
void recomecar_prazos();

// The clock the sleeps run on, in nanoseconds; async-signal-safe.
long long agora_ns();

// Async-signal-safe: the game was stopped (Ctrl-Z) for `ns`, which no sleep counts.
void somar_parada(long long ns);
