// Line editing for terminals in non-canonical mode: the typed bytes become a line and its echo.
#pragma once

#include <string>

// The line being typed and where an escape sequence being skipped stands.
struct edicao_linha {
    std::string linha;
    int escape = 0; // 0 outside a sequence; otherwise the part of the sequence reached
};

enum class passo_edicao { continua, linha_pronta, fim_da_entrada };

// Takes one typed byte into the line and appends to `eco` what the terminal must show for it.
// Enter ends the line (its '\n' is kept in `linha`); Backspace erases one whole UTF-8
// character, Ctrl-W a word and Ctrl-U the line; Ctrl-D on an empty line is the end of input.
// Escape sequences (arrow and function keys) and other control characters are dropped.
passo_edicao editar_byte(edicao_linha& edicao, unsigned char byte, std::string& eco);
