// The bytes of text and typing: UTF-8 characters, escape sequences, the columns text takes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the UTF-8 character that begins with `b`; 0 when no character begins with it.
constexpr std::size_t tamanho_utf8(unsigned char b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    return b >= 0xF0 && b <= 0xF4 ? 4 : 0;
}

constexpr bool continuacao_utf8(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Where an escape sequence (CSI: ESC [ parameters final; SS3: ESC O byte; Alt: ESC byte) stands;
// `seguir_escape` takes `b` into `e` (an ESC begins one): whether `b` belongs to a sequence.
enum class escape { fora, apos_esc, csi, ss3 };
bool seguir_escape(escape& e, unsigned char b);

// The index of the final byte of the CSI sequence at `codigo` ("\033["); npos if the text ends.
std::size_t fim_do_codigo(std::string_view texto, std::size_t codigo);

// The text without its SGR colour codes; other sequences stay, one cut short at the end goes.
std::string sem_cores(std::string_view texto);

// A place on the screen, counted from 0; a column equal to the window's width means that the
// row is full and the next character goes below.
struct lugar_do_cursor {
    int linha = 0;
    int coluna = 0;
    bool operator==(const lugar_do_cursor&) const = default;
};

// The place that a cursor position's parameters ("\033[" parameters "H") name, such as "15;21";
// a missing or zero number counts as 1.
lugar_do_cursor posicao_de_codigo(std::string_view parametros);

// How a terminal shows text: its encoding, the columns of a code point (0 for a combining mark,
// 1 or 2; negative when it cannot be shown; null: one each) and the window's width.
struct forma_do_terminal {
    bool utf8 = true; // otherwise every byte is one character of one column
    int (*colunas)(char32_t) = nullptr;
    int largura = 80;
};

// The columns a whole character in the terminal's encoding takes, 0 to 2; negative when it
// cannot be shown (a control, invalid UTF-8).
int colunas_de(const forma_do_terminal& forma, std::string_view caractere);

// Where the cursor goes when a character of `colunas` columns is written at `lugar`: a character
// that does not fit on the row goes at the start of the next one.
lugar_do_cursor avancar(lugar_do_cursor lugar, int colunas, int largura);

// The column (0 to the width) where the cursor stands after `desenho`, what the game drew since
// a clear (text, line feeds, colour codes and cursor positions), on a terminal of this form.
int coluna_depois(std::string_view desenho, const forma_do_terminal& forma);
