// What the parts of the Windows console backend give each other: the output (saida.cpp), the
// input (entrada.cpp), the sleeps (sono.cpp) and the start and end (inicio_e_fim.cpp). Each keeps
// its own state.
#pragma once

#define NOMINMAX 1 // std::min and std::max, not the macros of <windows.h>
#include <string_view>
#include <windows.h>

// The first half of a UTF-16 pair, whose second half must stay with it.
inline bool primeira_metade(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// --- Output (saida.cpp) ---

// Takes standard output when it is a console: VT codes when the console really follows them
// (with `vt_sem_sondar`, whenever it takes the VT mode: the tests of that path on a console that
// shows the codes as text), text attributes otherwise, the buffer cut to the window, and the
// game's scheme "07" in force in every cell. True when standard output is a console.
bool iniciar_saida(bool vt_sem_sondar = false);

// The output lock: held while anything is written and, for good, once the game is ending, so
// that a restore never lands in the middle of a screen and nothing is written after it.
void travar_saida();
// Whether the thread that asks holds the output lock.
bool saida_travada_aqui();

// Writes what is waiting; the `_travado` form when the caller holds the lock.
void descarregar();
void descarregar_travado();

// A line the console echoed as it was read, kept to be drawn again with the screen.
void guardar_eco(std::string_view linha);

// Draws the screen again, as it was, when the console's window has a new size.
void redesenhar_se_mudou();

// The width in columns of the console's window (of the console the game runs in, when the output
// is redirected; else COLUMNS or 80).
int largura_da_janela();

// The console's output mode, buffer size and colours as the player left them, the colours in
// every cell of the buffer; redirected output ends in the terminal's own colours. The caller
// holds the lock.
void devolver_saida();

// --- Input (entrada.cpp) ---

// Takes standard input when it is a console: its own line editing and echo, keys as keys. True
// when standard input is a console.
bool iniciar_entrada();

// The console's input modes as the player left them; what was typed for the game is not the
// shell's.
void devolver_entrada();

// --- Sleeps (sono.cpp) ---

// A read or key wait begins: the next sleep starts a schedule of its own.
void recomecar_prazos();

// --- Start and end (inicio_e_fim.cpp) ---

// Gives the whole console back and ends the process with `estado`. The caller holds the output
// lock, which is never released.
[[noreturn]] void encerrar_travado(UINT estado);

// Ends the game on a fault, as terminal_falhar does, with the system's reason for the error code
// `erro`; the caller holds the output lock.
[[noreturn]] void falhar_travado(const char* o_que, DWORD erro);
