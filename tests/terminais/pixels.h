// A terminal window's picture read cell by cell: the grid, the game's screens, and the checks the
// terminal matrix makes on them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pixels {

constexpr int colunas = 80;
constexpr int linhas = 30;

struct cor {
    int r = 0, g = 0, b = 0;
    bool operator==(const cor&) const = default;
};

// The sum of the three channels' differences: 0 for the same colour, 765 for black and white.
int distancia(cor a, cor b);
std::string hex(cor c);
// The WCAG contrast ratio of two sRGB colours, from 1 to 21.
double contraste(cor a, cor b);

struct imagem {
    int largura = 0, altura = 0;
    std::vector<std::uint8_t> rgb; // row by row, three bytes a pixel

    imagem() = default;
    imagem(int l, int a, cor fundo);
    cor em(int x, int y) const;
    void pintar(int x, int y, int l, int a, cor c);
};

// A binary PPM (P6, 8 bits a channel), as `import ... ppm:FILE` writes it.
imagem ler_ppm(const std::string& caminho);

// Where the 80 x 30 cells are in the window, and the colours this terminal draws.
struct grade {
    int x = 0, y = 0;            // the top left corner of the first cell
    int largura = 0, altura = 0; // of one cell
    cor fundo;                   // the terminal's own background
    cor paleta[8];               // ANSI colours 1 to 6 (0 and 7 are not measured)
};

// From a window whose every cell is painted (row r in background colour 41 + r % 6, the cursor
// hidden) and the same window cleared: throws when the painted area is not 80 x 30 whole cells.
grade medir_grade(const imagem& pintada, const imagem& limpa);
std::string escrever_grade(const grade& g);
grade ler_grade(const std::string& texto);

struct celula {
    cor fundo;     // the cell's most frequent colour
    int tinta = 0; // pixels clearly apart from it: a glyph, or a part of one
};
// Row by row, 30 rows of 80.
std::vector<celula> celulas(const imagem& img, const grade& g);

const char* nome_da_cor(int ansi);

// What the picture shows: "menu" (three or more rules of 40 inked cells, none on the first row),
// "regras" (rules of 40 cells from column 0 on rows 0 and 2), "cor N" (the first cell in ANSI
// colour N, 1 to 6: a flash), or "outra".
std::string classificar(const imagem& img, const grade& g);

struct resultado {
    bool ok = false;
    std::string texto;
};

// The menu's rules of 40 "=" each start at column 20 (centred in 80 columns).
resultado verificar_menu(const imagem& img, const grade& g);
// The flash shown (its colour from the first cell) covers at least 99% of the cells, the cell
// of the cursor aside.
resultado verificar_cor(const imagem& img, const grade& g, int linha_cursor, int coluna_cursor);
// The cursor shows: one solid cell (one colour, no glyph) apart from the screen's background,
// at a contrast of 3:1 or more with it.
resultado verificar_cursor(const imagem& img, const grade& g);
// The text of rows `primeira` to `ultima` against their background: at least 4.5:1.
resultado verificar_contraste(const imagem& img, const grade& g, int primeira, int ultima);
// After the game: the shell's screen as it was before it (the cursor's cell aside); or, where
// the terminal has no alternate screen and `aceita_limpa`, a screen with nothing on it.
resultado verificar_saida(const imagem& antes, const imagem& depois, const grade& g,
                          int linha_cursor, int coluna_cursor, bool aceita_limpa);

} // namespace pixels
