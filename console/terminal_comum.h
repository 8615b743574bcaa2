// Pieces both terminal backends share: the colours of a console scheme, the width fallback, and
// the console's decisions that can be made without a console.
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

// The Windows console attribute of a scheme: background in the high four bits, text in the low.
int atributo_de_esquema(std::string_view esquema);

// The SGR sequence that sets exactly the scheme's colours, such as "\033[0;41;97m" for "4F".
std::string sgr_de_esquema(std::string_view esquema);

// The Windows console attribute after an SGR sequence with these parameters (such as "0;41;97";
// empty means 0). Reset, bold, normal intensity, the eight colours for text and background in
// both intensities and the two defaults are followed; `normal` is what a reset returns to.
int atributo_apos_sgr(int atributo, std::string_view parametros, int normal);

// The console's normal scheme, light grey on black, in which every screen is drawn when no colour
// is flashed.
constexpr std::string_view esquema_normal = "07";

// The game's code for "back to the normal text attributes".
constexpr std::string_view atributos_normais = "\033[0m";

// Appends the game's bytes to `saida` with every "\033[0m" replaced by `normal`: under a console
// scheme the game's reset returns to the scheme's colours, not the terminal's defaults.
void anexar_com_normal(std::string& saida, std::string_view bytes, std::string_view normal);

// The width to centre on when the window cannot be read: the COLUMNS environment variable when
// it holds a positive number, else 80.
int largura_sem_janela();

// Where the control sequence that starts at `codigo` (with "\033[") ends: the index of its final
// byte, or npos when the text ends first.
std::size_t fim_do_codigo(std::string_view texto, std::size_t codigo);

// The drawn text without its colour codes (every SGR sequence), as every cell takes the colours
// of a new scheme; other sequences stay, a code cut short at the end is dropped.
std::string sem_cores(std::string_view tela);

// The bytes that clear a VT terminal in the colours of `sgr` (cursor home, erase the screen; the
// scroll-back is the player's) and draw `tela`, what was drawn since the last clear, again without
// its colour codes. The colours go first, so that every cleared cell takes them.
std::string limpeza_em_vt(std::string_view sgr, std::string_view tela);

// A cursor position in a console's buffer, counted from 0.
struct posicao_no_console {
    int linha;
    int coluna;
    bool operator==(const posicao_no_console&) const = default;
};

// Whether a console follows VT codes, from a probe: the mode with VT processing was accepted,
// the cursor was read before and after a harmless code was written, and it stayed put (a
// console that prints the code as text moves the cursor over it).
bool console_segue_vt(bool modo_aceito, bool cursor_lido, posicao_no_console antes,
                      posicao_no_console depois);

// How many cells text written from `antes` to `depois` took in a buffer `largura` columns wide,
// rows wrapping; 0 when `depois` is not after `antes`.
int celulas_entre(posicao_no_console antes, posicao_no_console depois, int largura);

// Moves the next piece of input from the front of `pendente` into `pedaco`: a whole line with its
// '\n', or the first `maior` bytes of a line too long for one piece. False, with both left as
// they were, while `pendente` holds neither.
bool tirar_pedaco(std::string& pendente, std::string& pedaco, std::size_t maior);
