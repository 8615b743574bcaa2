// The platform primitives under the console operations; each backend implements all of them.
#pragma once

#include <string>
#include <string_view>

// Takes the terminal for the game (modes, alternate screen, signal handling) when both standard
// input and output are terminals; otherwise changes nothing.
void terminal_iniciar();

// Sets the system's Portuguese locale when it has one and notes the terminal's text encoding.
void terminal_definir_locale();

// Writes bytes of the game's text (UTF-8, with the game's colour codes). They are on screen
// before the next sleep, read, key wait or exit.
void terminal_escrever(std::string_view texto);

// Clears the screen with the scheme in force, cursor top-left. A terminal's scroll-back is the
// player's and stays; a Windows console is cleared as "cls" clears it, its whole buffer.
void terminal_limpar();

// Sets the console scheme from its two hexadecimal digits (background, foreground), such as
// "4F": every cell takes the scheme's colours at once.
void terminal_definir_esquema(std::string_view esquema);

// Moves the cursor to row `linha` (counted from 0 at the top) and to the column that `coluna`
// gives for the window's width; a negative column refuses the whole move. Where the screen is
// drawn again for a new window size, the row is placed again by the same rule.
void terminal_mover_cursor(int linha, int (*coluna)(int largura));

// The width in columns of the window that standard output shows.
int terminal_largura();

// Blocks for the given milliseconds, taking no CPU.
void terminal_dormir(int ms);

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
