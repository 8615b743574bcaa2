// The platform primitives under console.cpp's operations, which each backend gives.
#pragma once

#include <string>

// Takes the terminal for the game: its modes, the alternate screen and Ctrl-Z when both standard
// input and output are terminals, and on any output the ways out that give its colours back.
void terminal_iniciar();

// Moves the cursor to row `linha` and the column `coluna` gives for the window's width; a negative
// column refuses the whole move. A redraw for a new width places the row by the rule.
void terminal_mover_cursor(int linha, int (*coluna)(int largura));

// Takes the next piece of input into `pedaco`: a whole line with its '\n', or the first bytes of
// a line too long to hold at once; false, with `pedaco` empty, at end of input.
bool terminal_ler_entrada(std::string& pedaco);

// Waits for one fresh key press and takes it whole; input already typed stays for the reads.
// Returns at once when there is no terminal to press a key on.
void terminal_esperar_tecla();

// Gives the terminal back as it was found and ends the program with `estado`.
[[noreturn]] void terminal_encerrar(int estado);

// Ends the game on a fault (a stream failing, memory run out), allocating nothing: the terminal
// back, "quirelo: " `o_que` and the reason for `erro` (none when 0) on standard error, status 1.
[[noreturn]] void terminal_falhar(const char* o_que, int erro);
