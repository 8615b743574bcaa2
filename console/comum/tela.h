// The screen as both backends keep it: the schemes, what was drawn since the last clear, the bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The two digits of a scheme as values of the console's 16-colour table (0 black, 1 blue, 2 green,
// 3 aqua, 4 red, 5 purple, 6 yellow, 7 light grey, 8 to F bright); missing: 0 and 7; not hex: 0.
struct cores_do_esquema {
    int fundo;
    int frente;
};
cores_do_esquema ler_esquema(std::string_view esquema);

// The ANSI colour of a console digit 0 to 7 (blue and red, aqua and yellow swapped), and back.
constexpr int ansi_do_digito(int digito) {
    constexpr int ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return ansi[digito & 7];
}

// The SGR sequence that sets exactly the scheme's colours, such as "\033[0;41;97m" for "4F".
std::string sgr_de_esquema(std::string_view esquema);

// The normal scheme; the game's reset (the terminal's own colours); cursor home; erase the screen.
constexpr std::string_view esquema_normal = "07";
constexpr std::string_view atributos_normais = "\033[0m";
constexpr std::string_view cursor_ao_inicio = "\033[H";
constexpr std::string_view apagar_tela = "\033[2J";

// A piece of what was drawn: text as written, or a cursor move whose column depends on the
// window's width, kept as the rule `coluna` that placed it (`bytes`: the move last written).
struct trecho_desenhado {
    std::string bytes;
    int linha = 0;
    int (*coluna)(int largura) = nullptr;
};

struct tela_do_jogo {
    std::string esquema{esquema_normal};
    std::string sgr = sgr_de_esquema(esquema_normal); // the scheme's, what the game's reset means
    std::vector<trecho_desenhado> desenho;
    std::string pendente; // bytes not yet written
};

// Appends bytes to those to write, every "\033[0m" of the game's made the scheme's colours.
void anexar(tela_do_jogo& t, std::string_view bytes);
// Keeps text as drawn without writing it (it is on screen already: the echo of a line).
void guardar(tela_do_jogo& t, std::string_view bytes);
void desenhar(tela_do_jogo& t, std::string_view bytes); // guardar and anexar

// Writes and keeps a move to row `linha` and the column `coluna` gives for a window `largura`
// wide; nothing is written where either is negative, as a console refuses such a move whole.
void mover(tela_do_jogo& t, int linha, int (*coluna)(int), int largura);

// A new scheme in force: every cell takes its colours, so what was drawn keeps no colour codes.
void mudar_esquema(tela_do_jogo& t, std::string_view esquema);

// Everything drawn, as written; with `largura` above 0, every move placed again for that width.
std::string desenho_em(tela_do_jogo& t, int largura = 0);

// The VT sequence that puts the cursor at a row and column counted from 0.
std::string posicao_do_cursor(int linha, int coluna);

// The width to centre on when the window cannot be read: COLUMNS if a positive number, else 80.
int largura_sem_janela();
