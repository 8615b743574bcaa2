// The console operations that every screen of the game uses. The backend gives those that are
// its own primitives (the locale, the clear, the scheme, the writes, the timed wait); console.cpp
// builds the others on console/terminal.h.
#pragma once

#include <string_view>

// What `ler_numero` returns for an entry that is not a number: no option or colour is 0.
constexpr int nao_numero = 0;

// Sets the Portuguese locale, once, before anything is drawn; notes the terminal's encoding.
void definir_locale();

// Takes the terminal for the game; call once after `definir_locale`.
void iniciar_console();

// Clears the screen in the scheme in force, cursor top-left: a terminal's screen (its scroll-back
// is the player's), a Windows console's whole buffer, as "cls" does.
void limpar_tela();

// Writes the key prompt on a line of its own and waits for one key press.
void esperar_tecla();

// Sets the console scheme, two hexadecimal digits such as "4F" (red, bright white text): every
// cell takes its colours at once.
void definir_esquema(std::string_view esquema);

// Writes exactly the text given (UTF-8, with the game's colour codes); it is on screen before
// the next wait, read or exit.
void escrever(std::string_view texto);

// Writes a format whose one "%d" is replaced by `valor`, with no line feed added.
void escrever_formato(const char* formato, int valor);

// Writes the text followed by one line feed.
void escrever_linha(const char* texto);

// The left column of a 40-column block centred in a window `largura` columns wide; negative
// when the window is narrower than 39 columns.
int coluna_do_bloco(int largura);

// Moves the cursor to the block column of row `linha`; a negative block column moves nothing.
void centralizar(int linha);

// Blocks for `ms` milliseconds, taking no CPU.
void esperar(int ms);

// Reads a decimal integer: skips white space, takes an optional sign and the digits, and leaves
// the first character that cannot continue the number in the input. An entry with no digit, or
// one that does not fit in 32 bits, gives `nao_numero` and discards the rest of its line. At end
// of input the terminal is restored and the program ends with status 0.
int ler_numero();

// Skips white space and takes the next character (a whole UTF-8 character, of which the first
// byte is returned); the rest of the line stays in the input. Ends the program at end of input.
char ler_caractere();
