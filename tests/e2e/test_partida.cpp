// End to end: games played by the robot, which reads every flash off the rendered screen.
#include "pty_vterm.h"
#include "robot.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace e2e {
namespace {

// Starts a game from the menu; true once its first round is announced.
bool start_game(Game& game) {
    if (!game.wait_for_text(esperado::aviso_do_menu, step_timeout)) return false;
    game.type("1\r");
    return game.wait_for_text(esperado::com_numero(esperado::rodada, 1), step_timeout).has_value();
}

// Waits until the rows stand on the screen as they should; false, with their faults reported,
// when they do not in time.
bool wait_for_rows(Game& game, const esperado::tela& rows) {
    if (game.wait_until([&] { return row_faults(game.screen(), rows).empty(); }, step_timeout))
        return true;
    ADD_FAILURE() << row_faults(game.screen(), rows) << "\n" << game.screen().dump();
    return false;
}

// The answer screen: legend, instructions and the first question, all in the normal scheme. It
// is looked at once the question is on screen (the screen may reach the terminal in pieces).
void expect_answer_screen(Game& game) {
    const std::string first = esperado::com_numero(esperado::pergunta, 1);
    ASSERT_TRUE(shows(game, first));
    const Emulator& s = game.screen();
    esperado::tela rows = esperado::respostas;
    rows.push_back({esperado::linha_da_primeira_pergunta, first, esperado::normal});
    EXPECT_EQ(row_faults(s, rows), "") << s.dump();
    EXPECT_EQ(normal_scheme_faults(s), "") << s.dump();
}

// Round 1 seen in detail: the start banner, the count-down, each flash filling the whole
// screen with "Cor:k" in bright white, and the legend in the normal scheme again.
TEST(Round, FlashesFillTheWholeScreenAndTheLegendRestoresTheNormalScheme) {
    Game game(Options{});
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    game.type("1\r");
    ASSERT_TRUE(shows(game, esperado::titulo(esperado::jogo_iniciado)));
    EXPECT_EQ(row_faults(game.screen(), esperado::jogo_iniciado), "");
    const auto round = watch_round(game);
    ASSERT_TRUE(round) << game.screen().dump();
    EXPECT_EQ(round->number, 1);
    EXPECT_EQ(round->steps, std::vector<std::string>(std::begin(esperado::contagem),
                                                     std::end(esperado::contagem)));
    EXPECT_EQ(round->colours.size(), 2u) << join(round->colours);
    EXPECT_EQ(join(round->faults), "");
    expect_answer_screen(game);
}

class WholeGame : public ::testing::TestWithParam<const char*> {};

// A whole game won by reading the colours off the screen: five rounds of 2 to 6 flashes, the
// victory screen, the three fireworks frames in their colours, then the menu again. The same
// on a terminal whose erase does not fill in the current background (TERM=dumb has no bce):
// there no clear may use the erase, every one is painted cell by cell, and every flash still
// fills the screen.
TEST_P(WholeGame, WonByTheRobotPlayer) {
    const bool erases_in_colour = std::string(GetParam()) != "dumb";
    Game game({.env = {std::string("TERM=") + GetParam()}});
    ASSERT_TRUE(start_game(game)) << game.screen().dump();
    std::string flash_lengths; // every flash: colour and length on the game's clock
    bool red_too_short = false, other_too_long = false;
    // The game's clock runs ten times faster: only a red flash lasts longer than halfway between
    // a red one and another.
    const long halfway_ms = (esperado::cores[0].ms + esperado::cores[1].ms) / 2 / 10;
    for (int r = 1; r <= 5; ++r) {
        SCOPED_TRACE("round " + std::to_string(r));
        const auto round = watch_round(game);
        ASSERT_TRUE(round) << game.screen().dump();
        EXPECT_EQ(round->number, r);
        EXPECT_EQ(round->steps.size(), 4u) << join(round->steps);
        ASSERT_EQ(round->colours.size(), static_cast<std::size_t>(r + 1)) << join(round->colours);
        EXPECT_EQ(join(round->faults), "");
        ASSERT_EQ(round->flash_ms.size(), round->colours.size());
        for (std::size_t k = 0; k < round->colours.size(); ++k) {
            const long ms = round->flash_ms[k];
            flash_lengths +=
                std::to_string(round->colours[k]) + ":" + std::to_string(ms * 10) + "ms ";
            (round->colours[k] == 1 ? red_too_short : other_too_long) |=
                round->colours[k] == 1 ? ms < halfway_ms : ms > halfway_ms;
        }
        expect_answer_screen(game);
        ASSERT_TRUE(answer(game, round->colours)) << game.screen().dump();
        ASSERT_TRUE(shows(game, esperado::pergunta_seguir));
        const int last = esperado::linha_da_primeira_pergunta + r; // the question of colour r + 1
        EXPECT_EQ(row_faults(game.screen(), {{last,
                                              esperado::com_numero(esperado::pergunta, r + 1) +
                                                  std::to_string(round->colours.back()),
                                              esperado::normal},
                                             {last + 1, "", esperado::normal},
                                             {last + 2, esperado::acertou, esperado::normal}}),
                  "")
            << game.screen().dump();
        game.type("s\r");
    }

    std::printf("flash lengths (colour:length on the game's clock): %s\n", flash_lengths.c_str());
    EXPECT_FALSE(red_too_short) << flash_lengths;
    EXPECT_FALSE(other_too_long) << flash_lengths;

    ASSERT_TRUE(wait_for_rows(game, esperado::vitoria));
    for (std::size_t f = 0; f < std::size(esperado::fogos); ++f) {
        SCOPED_TRACE("fireworks frame " + std::to_string(f + 1));
        ASSERT_TRUE(wait_for_rows(game, esperado::linhas_do_quadro(esperado::fogos[f])));
    }

    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    EXPECT_EQ(row_faults(game.screen(), esperado::menu_na_largura(80)), "") << game.screen().dump();
    // The normal scheme is in force now: the menu stands on black.
    EXPECT_TRUE(game.screen().cell(0, 0).bg.is_index(esperado::preto))
        << describe(game.screen().cell(0, 0).bg);
    EXPECT_EQ(game.output().find("\033[2J") != std::string::npos, erases_in_colour)
        << (erases_in_colour ? "no clear erased the screen" : "a clear erased the screen");
}

INSTANTIATE_TEST_SUITE_P(Terms, WholeGame, ::testing::Values("xterm-256color", "dumb"),
                         [](const auto& info) {
                             return std::string(info.param[0] == 'x' ? "Xterm" : "Dumb");
                         });

// A wrong first answer: every question is still asked, then the wrong-sequence screen shows
// the sequence that was really flashed, and the menu comes back.
TEST(RobotPlayer, AWrongAnswerShowsTheSequenceThatWasFlashed) {
    Game game(Options{});
    ASSERT_TRUE(start_game(game)) << game.screen().dump();
    const auto round = watch_round(game);
    ASSERT_TRUE(round) << game.screen().dump();
    ASSERT_EQ(round->colours.size(), 2u);
    std::vector<int> wrong = round->colours;
    wrong[0] = wrong[0] % 6 + 1;
    ASSERT_TRUE(answer(game, wrong)) << game.screen().dump();

    esperado::tela rows = esperado::sequencia_errada;
    rows.push_back(esperado::as_cores_eram(round->colours));
    rows.push_back({8, "", esperado::normal});
    ASSERT_TRUE(wait_for_rows(game, rows));

    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    EXPECT_FALSE(game.screen().contains(rows[7].texto));
}

// Keys typed during the flashes are not drawn over them; they wait in the input and answer
// the questions as soon as these are asked, with their echo after each prompt.
TEST(RobotPlayer, KeysTypedDuringAFlashAnswerTheQuestionsLater) {
    Game game(Options{});
    ASSERT_TRUE(start_game(game)) << game.screen().dump();
    const auto round =
        watch_round(game, [&](int, int colour) { game.type(std::to_string(colour) + "\r"); });
    ASSERT_TRUE(round) << game.screen().dump();
    ASSERT_EQ(round->colours.size(), 2u);
    EXPECT_EQ(join(round->faults), "") << "typing showed on a flash";

    ASSERT_TRUE(shows(game, esperado::acertou));
    const Emulator& s = game.screen();
    const int first = esperado::linha_da_primeira_pergunta;
    EXPECT_EQ(
        row_faults(
            s, {{first,
                 esperado::com_numero(esperado::pergunta, 1) + std::to_string(round->colours[0]),
                 esperado::normal},
                {first + 1,
                 esperado::com_numero(esperado::pergunta, 2) + std::to_string(round->colours[1]),
                 esperado::normal},
                {first + 3, esperado::acertou, esperado::normal}}),
        "")
        << s.dump();
    ASSERT_TRUE(shows(game, esperado::pergunta_seguir));
    game.type("n\r");
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
}

} // namespace
} // namespace e2e
