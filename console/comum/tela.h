// The screen as the game drew it, kept alike by both backends: the scheme in force (the normal
// one from the first screen, whatever the output), what was drawn since the last clear, to draw
// it again after a scheme change, a stop or for a new window size, and the bytes still to write.
#pragma once

#include "console/comum/cores.h"

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

struct tela_do_jogo {
    std::string esquema{esquema_normal};
    std::string sgr = sgr_de_esquema(esquema_normal); // the scheme as SGR: what a reset means
    std::vector<trecho_desenhado> desenho;            // what was drawn since the last clear
    std::string pendente;                             // bytes not yet written
};

// Appends bytes to those to write, every "\033[0m" of the game's made the scheme's colours.
void anexar(tela_do_jogo& t, std::string_view bytes);

// Keeps text as drawn, without writing it (it is on screen already, as the console's echo).
void guardar(tela_do_jogo& t, std::string_view bytes);

// Writes text and keeps it.
void desenhar(tela_do_jogo& t, std::string_view bytes);

// Writes and keeps a move to row `linha` and the column `coluna` gives for a window `largura`
// columns wide; nothing is written where the column (or the row) is negative, as a console
// refuses such a move whole.
void mover(tela_do_jogo& t, int linha, int (*coluna)(int), int largura);

// A new scheme in force: every cell takes its colours, so what was drawn keeps no colour codes.
void mudar_esquema(tela_do_jogo& t, std::string_view esquema);

// Everything drawn, as written; with `largura` above 0, every move placed again for that width.
std::string desenho_em(tela_do_jogo& t, int largura = 0);

// The sequence that puts the cursor at a row and column counted from 0.
std::string posicao_do_cursor(int linha, int coluna);

// The width to centre on when the window cannot be read: the COLUMNS environment variable when
// it holds a positive number, else 80.
int largura_sem_janela();
