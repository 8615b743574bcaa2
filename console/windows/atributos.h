// The Windows console's decisions that need no console (tested anywhere): attributes, VT probe.
#pragma once

#include "console/comum/texto.h"

#include <string_view>

// The Windows console attribute of a scheme: background in the high four bits, text in the low.
int atributo_de_esquema(std::string_view esquema);

// The attribute after an SGR sequence of these parameters ("0;41;97"; empty: 0): reset, bold,
// normal intensity, 16 colours of text and background, the defaults; `normal` is what a reset
// gives.
int atributo_apos_sgr(int atributo, std::string_view parametros, int normal);

// Whether a console follows VT codes: the VT mode accepted, the cursor read before and after a
// harmless code and not moved (one that prints the code as text moves the cursor over it).
bool console_segue_vt(bool modo_aceito, bool cursor_lido, lugar_do_cursor antes,
                      lugar_do_cursor depois);

// How many cells text written from `antes` to `depois` took in a buffer `largura` columns wide,
// rows wrapping; 0 when `depois` is not after `antes`.
int celulas_entre(lugar_do_cursor antes, lugar_do_cursor depois, int largura);
