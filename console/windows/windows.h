// What the Windows backend's parts give each other; each keeps its own state.
#pragma once

#define NOMINMAX 1 // std::min and std::max, not the macros of <windows.h>
#include <string_view>
#include <windows.h>

// The first half of a UTF-16 pair, whose second half must stay with it.
inline bool primeira_metade(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// --- Output (saida.cpp) ---

// Takes standard output when it is a console (true then): VT codes where really followed (with
// `vt_sem_sondar`, whenever the mode is taken: the tests of that path), else text attributes; the
// buffer cut to the window, every cell in the scheme "07".
bool iniciar_saida(bool vt_sem_sondar = false);

// The output lock: held while anything is written and, for good, once the game is ending, so
// that a restore never lands in the middle of a screen and nothing is written after it.
void travar_saida();
bool saida_travada_aqui(); // by the thread that asks

// Writes what is waiting; the `_travado` form when the caller holds the lock.
void descarregar();
void descarregar_travado();

// A line the console echoed as it was read, kept to be drawn again with the screen.
void guardar_eco(std::string_view linha);

// Draws the screen again, as it was, when the console's window has a new size.
void redesenhar_se_mudou();

// The width of the console's window (the game's console when redirected; else COLUMNS or 80).
int largura_da_janela();

// The output's mode, buffer size and colours (in every cell) as the player left them; redirected
// output ends in the terminal's own colours. The caller holds the lock.
void devolver_saida();

// --- Input (entrada.cpp) ---

// Takes standard input when a console (true then): its own line editing and echo, keys as keys.
bool iniciar_entrada();

// The input's modes as the player left them; what was typed for the game is not the shell's.
void devolver_entrada();

// --- Sleeps (sono.cpp) ---

// A read or key wait begins: the next sleep starts a schedule of its own.
void recomecar_prazos();

// --- Start and end (inicio_e_fim.cpp) ---

// Gives the console back and ends the process with `estado`; the caller holds the lock for good.
[[noreturn]] void encerrar_travado(UINT estado);

// Ends on a fault as terminal_falhar does, with the system's reason for `erro`; the lock held.
[[noreturn]] void falhar_travado(const char* o_que, DWORD erro);
