// What was drawn since the last clear, kept by both backends to draw it again: after a scheme
// change, a stop, or for a new window size, where the moves that depend on the window's width are
// placed again by their rule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A piece of what was drawn: text as written, or a cursor move whose column depends on the
// window's width (`coluna` set), kept as the rule that placed it.
struct trecho_desenhado {
    std::string bytes; // for a move, the move as written for the last width (empty: refused)
    int linha = 0;
    int (*coluna)(int largura) = nullptr;
};

using desenho = std::vector<trecho_desenhado>;

// The sequence that puts the cursor at a row and column counted from 0.
std::string posicao_do_cursor(int linha, int coluna);

// Keeps drawn text.
void guardar_texto(desenho& d, std::string_view bytes);

// Keeps a move to row `linha` and the column `coluna` gives for the width; returns it as written
// on a window `largura` columns wide: empty where the column (or the row) is negative, a move
// refused as a whole.
std::string guardar_movimento(desenho& d, int linha, int (*coluna)(int), int largura);

// Everything drawn, as written; with `largura` above 0, every move placed again for that width
// first.
std::string bytes_do_desenho(desenho& d, int largura = 0);

// Drops the colour codes of every text piece: a scheme change recolours every cell.
void tirar_cores(desenho& d);
