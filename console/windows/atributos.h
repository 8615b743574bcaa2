// The Windows console's decisions that need no console, so that they are tested anywhere: text
// attributes from schemes and SGR codes, cursor positions from their VT codes, the VT probe's
// verdict, and the VT clear of redirected output.
#pragma once

#include <string>
#include <string_view>

// The Windows console attribute of a scheme: background in the high four bits, text in the low.
int atributo_de_esquema(std::string_view esquema);

// The Windows console attribute after an SGR sequence with these parameters (such as "0;41;97";
// empty means 0). Reset, bold, normal intensity, the eight colours for text and background in
// both intensities and the two defaults are followed; `normal` is what a reset returns to.
int atributo_apos_sgr(int atributo, std::string_view parametros, int normal);

// The bytes that clear a VT terminal in the colours of `sgr` (cursor home, erase the screen, and
// the scroll-back too when `apagar_rolagem`: a console's, not a terminal's, which is the
// player's) and draw `tela`, what was drawn since the last clear, again without its colour
// codes. The colours go first, so that every cleared cell takes them.
std::string limpeza_em_vt(std::string_view sgr, std::string_view tela, bool apagar_rolagem);

// A cursor position in a console's buffer, counted from 0.
struct posicao_no_console {
    int linha;
    int coluna;
    bool operator==(const posicao_no_console&) const = default;
};

// The position that a cursor position sequence ("\033[" parameters "H") with these parameters,
// such as "15;21", names, counted from 0; a missing or zero number counts as 1, as a VT terminal
// takes it.
posicao_no_console posicao_de_codigo(std::string_view parametros);

// Whether a console follows VT codes, from a probe: the mode with VT processing was accepted,
// the cursor was read before and after a harmless code was written, and it stayed put (a
// console that prints the code as text moves the cursor over it).
bool console_segue_vt(bool modo_aceito, bool cursor_lido, posicao_no_console antes,
                      posicao_no_console depois);

// How many cells text written from `antes` to `depois` took in a buffer `largura` columns wide,
// rows wrapping; 0 when `depois` is not after `antes`.
int celulas_entre(posicao_no_console antes, posicao_no_console depois, int largura);
