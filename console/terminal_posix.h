// What the two halves of the POSIX backend, the screen and modes and the input, offer each other.
#pragma once

#include "console/edicao_linha.h"

#include <string_view>

// Both standard input and output are terminals, and the game took them (no canonical mode, no
// echo): the backend edits and echoes the lines itself, and a key can be waited for.
bool terminal_tomado();

// Writes the echo of the player's typing; it is kept to be drawn again, up to a bound.
void ecoar_digitacao(std::string_view eco);

// Puts everything drawn on the screen, before the game does anything that takes time.
void mostrar_tela();

// After a signal broke a wait off: the game's screen again, as it was, if it came back from a
// stop.
void redesenhar_se_voltou();

// A read or key wait begins: the next sleep starts a schedule of its own.
void recomecar_prazos();

// How the terminal shows text: its encoding, the columns of each character, the window's width.
forma_do_terminal forma_da_tela();

// The column where the cursor stands now, worked out from what was drawn since the last clear.
int coluna_do_cursor();
