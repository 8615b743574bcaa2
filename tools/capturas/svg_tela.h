// Draws a terminal screen as an SVG picture: every cell's character in a monospace font, on its
// background colour, in its text colour, with the standard xterm palette.
#pragma once

#include "pty_vterm.h"

#include <string>
#include <string_view>

namespace capturas {

struct rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const rgb&) const = default;
};

// The standard xterm colour of a 256-colour index (16 ANSI colours, the 6x6x6 cube, the greys).
rgb cor_xterm(int indice);

// The terminal's own colours, where a cell has none: light grey text on black, as the console's
// normal scheme shows.
constexpr rgb frente_padrao{229, 229, 229};
constexpr rgb fundo_padrao{0, 0, 0};

// What a cell is drawn in, reverse video and bold taken into account.
rgb cor_da_frente(const e2e::Cell& celula);
rgb cor_do_fundo(const e2e::Cell& celula);

// "#rrggbb".
std::string hex(rgb cor);

// Size of one cell in the picture, in pixels.
constexpr int largura_celula = 9;
constexpr int altura_celula = 18;

// The whole screen as a standalone SVG document; `titulo` becomes its <title>.
std::string svg_da_tela(const e2e::Screen& tela, std::string_view titulo);

} // namespace capturas
