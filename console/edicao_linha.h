// The input both backends hand to the reads: lines in pieces, and line editing for terminals in
// non-canonical mode, where the typed bytes become a line and its echo.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// How a terminal shows text: its encoding, the columns of each character and the window's width.
struct forma_do_terminal {
    bool utf8 = true; // otherwise every byte is one character of one column
    // The columns a character takes: 0 (a combining mark), 1 or 2; negative when it cannot be
    // shown. Null: one column each.
    int (*colunas)(char32_t) = nullptr;
    int largura = 80; // the window's width in columns
};

// Where the cursor stands, in rows below the row where the line began and a column; a column
// equal to the window's width means that the row is full and the next character goes below.
struct lugar_do_cursor {
    int linha = 0;
    int coluna = 0;
};

// One character of the line: its bytes in the line, its columns, whether the screen shows the
// replacement character for it, and where the cursor stands once it is echoed.
struct caractere_da_linha {
    std::size_t bytes;
    int colunas;
    bool substituido;
    lugar_do_cursor depois;
};

// The line being typed, what the screen shows of it, and where an escape sequence or a UTF-8
// character being typed stands.
struct edicao_linha {
    forma_do_terminal forma;
    std::string linha;
    std::vector<caractere_da_linha> caracteres; // what the screen shows of `linha`, in order
    lugar_do_cursor inicio;                     // where the line's echo began
    std::string incompleto; // the first bytes of a UTF-8 character still to be completed
    int escape = 0;         // 0 outside a sequence; otherwise the part of the sequence reached
};

enum class passo_edicao { continua, linha_pronta, fim_da_entrada };

// Starts an empty line whose echo begins at column `coluna` (0 to the width) of the cursor's row.
void comecar_linha(edicao_linha& edicao, int coluna);

// Takes one typed byte into the line and appends to `eco` what the terminal must show for it,
// so that the screen always shows what the line holds. Enter ends the line (its '\n' is kept in
// `linha`); Backspace erases one character as the player sees it (with the combining marks after
// it), Ctrl-W a word and Ctrl-U the line, across the rows a long line wraps onto; Ctrl-D on an
// empty line is the end of input. A byte that is not valid text, or a character that cannot be
// shown, is kept in the line and shown as a replacement character. Escape sequences (arrow and
// function keys, Alt with a key) and other control characters are dropped.
passo_edicao editar_byte(edicao_linha& edicao, unsigned char byte, std::string& eco);

// What the screen shows of the line typed so far, from its first cell: the text to draw it again
// with, the cursor then where it stands in the line.
std::string linha_mostrada(const edicao_linha& edicao);

// The line drawn again from column `coluna` of a window of `edicao.forma`, after the screen was
// drawn again for a new size: where each character now stands.
void refazer_disposicao(edicao_linha& edicao, int coluna);

// Whether an escape sequence was begun and not finished.
bool escape_pendente(const edicao_linha& edicao);

// Drops an escape sequence left unfinished, such as a lone Esc, so that the next byte counts as
// a key of its own.
void abandonar_escape(edicao_linha& edicao);

// The column (0 to the width) where the cursor stands after `texto`, with its cursor movements,
// line feeds and colour codes, is drawn from the top-left corner of a terminal of this form.
int coluna_depois(std::string_view texto, const forma_do_terminal& forma);

// Moves the next piece of input from the front of `pendente` into `pedaco`: a whole line with its
// '\n', or the first `maior` bytes of a line too long for one piece. False, with both left as
// they were, while `pendente` holds neither.
bool tirar_pedaco(std::string& pendente, std::string& pedaco, std::size_t maior);
