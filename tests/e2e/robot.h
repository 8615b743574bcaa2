// A robot player: watches the rendered screen as a person would and answers with what it saw.
#pragma once

#include "pty_vterm.h"
#include "tests/telas_esperadas.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The colour number (1 to 6) that a background colour shows, or 0 when it is none of the six.
int colour_number(const Color& bg);

// Generous limits for a game whose clock runs ten times faster: a round is about a second.
constexpr milliseconds step_timeout{15000};

// What the player saw of one round, from its announcement to its first question.
struct RoundSeen {
    int number = 0;                  // from "Rodada %d"
    std::vector<std::string> steps;  // the count-down texts, in order
    std::vector<int> colours;        // the colour read off each flash "Cor:k", in order
    std::vector<long> flash_ms;      // how long each flash stayed on screen, in real time
    std::vector<std::string> faults; // whatever on screen was not a clean flash
};

// Watches a round from its announcement until its first question is on screen. Each flash is read
// off the whole screen: every cell must have the same background, one of the six colours, with
// "Cor:k" in bright white alone on it. `on_flash(k, colour)` runs as soon as flash k is seen, while
// it is still shown. Nothing when the question did not come in time.
std::optional<RoundSeen> watch_round(Game& game, const std::function<void(int, int)>& on_flash = {},
                                     milliseconds timeout = step_timeout);

// Waits for `text` on screen; the failure shows the screen.
::testing::AssertionResult shows(Game& game, std::string_view text,
                                 milliseconds timeout = step_timeout);

// Answers the round's questions one by one, each once its prompt "Digite a cor k:" is on
// screen, typing the number and Enter. False when a prompt did not come.
bool answer(Game& game, const std::vector<int>& colours, milliseconds timeout = step_timeout);

// How a screen that should show the normal scheme does not, or nothing: every cell on black and,
// unless `text_too` is false, in light grey.
std::string normal_scheme_faults(const Emulator& screen, bool text_too = true);

// The first cell not in the terminal's own colours, as "coloured (row,col) 'x' fg ... bg ...",
// or nothing when every cell is: what a screen given back to the shell must show.
std::string first_coloured_cell(const Emulator& screen);

// The faults of a terminal that the game has given back: the main screen, the cursor shown,
// no cell coloured, and the pen in the default colours for the shell's prompt.
std::vector<std::string> given_back_faults(const Emulator& screen);
// The pty's modes that matter to the shell, after the game: canonical input, echo, signals, and
// the rest as before it.
std::vector<std::string> mode_faults(const Game& game);

// A cell's character ("" for the second half of a wide one) and its text colour (-1 the
// terminal's own, -2 one outside the palette), as the checks of tests/telas_esperadas.h take them.
std::pair<std::string, int> character_and_colour(const Emulator& screen, int row, int col);

// The faults of the rows against what they should show (rows not listed are not looked at), as
// "; "-separated text. The normal colour is the normal scheme's light grey unless given: -1 for
// the terminal's own.
std::string row_faults(const Emulator& screen, const esperado::tela& rows,
                       int normal = esperado::cinza);

// Joins texts for messages.
std::string join(const std::vector<std::string>& texts);
std::string join(const std::vector<int>& numbers);

} // namespace e2e
