// The input handed to the reads in pieces; the line being typed, which every echo is drawn from.
#pragma once

#include "console/comum/texto.h"

#include <string>
#include <string_view>
#include <vector>

// The longest piece of a line handed to the reads at once; a longer line comes in pieces.
constexpr std::size_t maior_pedaco = 4096;

// Takes the next piece from the front of `pendente` into `pedaco`: a whole line with its '\n', or
// the first `maior_pedaco` bytes of a longer one, `receber` appending more while it holds neither.
// Once `receber` says the input is over, what is left comes without '\n'; false when nothing is.
bool ler_em_pedacos(std::string& pendente, std::string& pedaco, bool (*receber)());

// A character of the line: its bytes, columns, whether shown as a replacement, the cursor after.
struct caractere_da_linha {
    std::size_t bytes;
    int colunas;
    bool substituido;
    lugar_do_cursor depois;
};

// The line being typed, what the screen shows of it, and a character or sequence half typed.
struct edicao_linha {
    forma_do_terminal forma;
    std::string linha;
    std::vector<caractere_da_linha> caracteres; // what the screen shows of `linha`, in order
    lugar_do_cursor inicio;                     // where the line's echo began
    std::string incompleto; // the first bytes of a UTF-8 character still to be completed
    escape sequencia = escape::fora;
};

enum class passo_edicao { continua, linha_pronta, fim_da_entrada };

// Starts an empty line whose echo begins at column `coluna` (0 to the width) of the cursor's row.
void comecar_linha(edicao_linha& edicao, int coluna);

// Takes one typed byte into the line, appending to `eco` what the terminal must show. Enter ends
// the line ('\n' kept); Backspace erases a character as seen (with its combining marks), Ctrl-W a
// word, Ctrl-U the line, across the rows it wraps onto; Ctrl-D on an empty line ends the input.
// Invalid text is kept, shown as a replacement; escape sequences and other controls are dropped.
passo_edicao editar_byte(edicao_linha& edicao, unsigned char byte, std::string& eco);

// What the screen shows of the line, from its first cell: the text that draws it again.
std::string linha_mostrada(const edicao_linha& edicao);

// The line laid out again from column `coluna` of a window of `edicao.forma`, as a redraw draws it.
void refazer_disposicao(edicao_linha& edicao, int coluna);
