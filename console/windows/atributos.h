// The Windows console's decisions that need no console, so that they are tested anywhere: text
// attributes from schemes and SGR codes, and the VT probe's verdict.
#pragma once

#include "console/comum/texto.h"

#include <string_view>

// The Windows console attribute of a scheme: background in the high four bits, text in the low.
int atributo_de_esquema(std::string_view esquema);

// The Windows console attribute after an SGR sequence with these parameters (such as "0;41;97";
// empty means 0). Reset, bold, normal intensity, the eight colours for text and background in
// both intensities and the two defaults are followed; `normal` is what a reset returns to.
int atributo_apos_sgr(int atributo, std::string_view parametros, int normal);

// Whether a console follows VT codes, from a probe: the mode with VT processing was accepted,
// the cursor was read before and after a harmless code was written, and it stayed put (a
// console that prints the code as text moves the cursor over it).
bool console_segue_vt(bool modo_aceito, bool cursor_lido, lugar_do_cursor antes,
                      lugar_do_cursor depois);

// How many cells text written from `antes` to `depois` took in a buffer `largura` columns wide,
// rows wrapping; 0 when `depois` is not after `antes`.
int celulas_entre(lugar_do_cursor antes, lugar_do_cursor depois, int largura);
