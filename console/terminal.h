// The platform primitives under console.cpp's operations; each backend gives them, beside the
// operations of console.h that it gives itself.
#pragma once

#include <string>

// Takes the terminal for the game: its modes, the alternate screen and the signals when both
// standard input and output are terminals, and on every output the ways out that give the
// terminal's own colours back.
void terminal_iniciar();

// Moves the cursor to row `linha` (counted from 0 at the top) and to the column that `coluna`
// gives for the window's width; a negative column refuses the whole move. Where the screen is
// drawn again for a new window size, the row is placed again by the same rule.
void terminal_mover_cursor(int linha, int (*coluna)(int largura));

// Takes the next piece of input into `pedaco`: a whole line with its '\n', or the first bytes of
// a line too long to hold at once (the rest comes with the next call). Returns false at end of
// input, leaving `pedaco` empty.
bool terminal_ler_entrada(std::string& pedaco);

// Waits for one fresh key press and takes it whole; input already typed stays for the reads.
// Returns at once when there is no terminal to press a key on.
void terminal_esperar_tecla();

// Gives the terminal back as it was found and ends the program with `estado`.
[[noreturn]] void terminal_encerrar(int estado);

// Ends the game on a fault it cannot go on from (the output or the input failing, memory run
// out): the terminal given back, one line on standard error, "quirelo: " with `o_que` and the
// system's reason for the error code `erro` (none when 0), and status 1. Allocates nothing.
[[noreturn]] void terminal_falhar(const char* o_que, int erro);
