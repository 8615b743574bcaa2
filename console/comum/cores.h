// The console schemes as colours: the digits of the console's 16-colour table, the SGR sequence
// of a scheme, the normal scheme and the game's reset.
#pragma once

#include <string>
#include <string_view>

// The two digits of a console scheme as values 0 to 15 of the console's 16-colour table (0
// black, 1 blue, 2 green, 3 aqua, 4 red, 5 purple, 6 yellow, 7 light grey, 8 to F their bright
// forms). A missing digit is the console's usual one (0 background, 7 text); a digit that is not
// hexadecimal counts as 0.
struct cores_do_esquema {
    int fundo;
    int frente;
};
cores_do_esquema ler_esquema(std::string_view esquema);

// The ANSI colour (0 black, 1 red, 2 green, 3 yellow, 4 blue, 5 magenta, 6 cyan, 7 white) of a
// digit 0 to 7 of the console's table. The mapping swaps blue and red, and aqua and yellow, so it
// is also the console digit of an ANSI colour.
constexpr int ansi_do_digito(int digito) {
    constexpr int ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return ansi[digito & 7];
}

// The SGR sequence that sets exactly the scheme's colours, such as "\033[0;41;97m" for "4F".
std::string sgr_de_esquema(std::string_view esquema);

// The console's normal scheme, light grey on black, in which every screen is drawn when no colour
// is flashed.
constexpr std::string_view esquema_normal = "07";

// The game's code for "back to the normal text attributes", and the terminal's own colours.
constexpr std::string_view atributos_normais = "\033[0m";
