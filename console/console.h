// The console operations every screen uses: the backend's own, and console.cpp's over terminal.h.
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

// Sets the scheme, two hexadecimal digits such as "4F" (red, bright white text), in every cell.
void definir_esquema(std::string_view esquema);

// Writes the text (UTF-8, with the game's colour codes); it shows by the next wait, read or exit.
void escrever(std::string_view texto);

// Writes a format whose one "%d" is replaced by `valor`, with no line feed added.
void escrever_formato(const char* formato, int valor);

void escrever_linha(const char* texto);

// The left column of a 40-column block centred in a window `largura` wide; negative below 39.
int coluna_do_bloco(int largura);

// Moves the cursor to the block column of row `linha`; a negative block column moves nothing.
void centralizar(int linha);

// Blocks for `ms` milliseconds, taking no CPU.
void esperar(int ms);

// Reads a decimal integer: white space skipped, an optional sign, the digits; the first character
// that cannot continue it stays in the input. No digit, or beyond 32 bits, gives `nao_numero` and
// discards the rest of the line. At end of input the terminal is restored and the program ends (0).
int ler_numero();

// Skips white space and takes the next character (a whole UTF-8 character, of which the first
// byte is returned); the rest of the line stays in the input. Ends the program at end of input.
char ler_caractere();
