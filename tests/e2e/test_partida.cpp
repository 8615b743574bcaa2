// End to end: games played by the robot, which reads every flash off the rendered screen.
#include "pty_vterm.h"
#include "robot.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace e2e {
namespace {

const std::string rule(40, '=');

Options options_80x30() {
    Options options;
    options.program = game_program();
    return options;
}

// Starts a game from the menu; true once its first round is announced.
bool start_game(Game& game) {
    if (!game.wait_for_text("errados.", step_timeout)) return false;
    game.type("1\r");
    return game.wait_for_text("Rodada 1", step_timeout).has_value();
}

// The answer screen: legend, instructions and the first question, all in the normal scheme. It
// is looked at once the question is on screen (the screen may reach the terminal in pieces).
void expect_answer_screen(Game& game) {
    ASSERT_TRUE(game.wait_for_text("Digite a cor 1:", step_timeout)) << game.screen().dump();
    const Emulator& s = game.screen();
    EXPECT_EQ(
        join(row_faults(
            s, {{0, "1 - Vermelho", ansi::white},
                {1, "2 - Azul", ansi::white},
                {2, "3 - Verde", ansi::white},
                {3, "4 - Amarelo", ansi::white},
                {4, "5 - Roxo", ansi::white},
                {5, "6 - Ciano", ansi::white},
                {6, "", ansi::white},
                {7, "ATENCAO: serao aceitos apenas os numeros que estao na tabela.", ansi::white},
                {8, "Letras ou numeros diferentes serao considerados errados.", ansi::white},
                {9, "", ansi::white},
                {10, "", ansi::white},
                {11, "Quais cores apareceram?", ansi::white},
                {12, "Digite a cor 1:", ansi::white}})),
        "")
        << s.dump();
    const auto faults = normal_scheme_faults(s);
    EXPECT_TRUE(faults.empty()) << faults.size() << " cells not light grey on black, first "
                                << faults.front() << "\n"
                                << s.dump();
}

// Round 1 seen in detail: the start banner, the count-down, each flash filling the whole
// screen with "Cor:k" in bright white, and the legend in the normal scheme again.
TEST(Round, FlashesFillTheWholeScreenAndTheLegendRestoresTheNormalScheme) {
    Game game(options_80x30());
    ASSERT_TRUE(game.wait_for_text("errados.", step_timeout));
    game.type("1\r");
    ASSERT_TRUE(game.wait_for_text("JOGO INICIADO!", step_timeout)) << game.screen().dump();
    EXPECT_EQ(join(row_faults(game.screen(), {{0, rule, ansi::green},
                                              {1, "           JOGO INICIADO!", ansi::green},
                                              {2, rule, ansi::green}})),
              "");
    const auto round = watch_round(game);
    ASSERT_TRUE(round) << game.screen().dump();
    EXPECT_EQ(round->number, 1);
    EXPECT_EQ(join(round->steps), "Iniciando em 3; Iniciando em 2; Iniciando em 1; GOOOOOOO!");
    EXPECT_EQ(round->colours.size(), 2u) << join(round->colours);
    EXPECT_EQ(join(round->faults), "");
    expect_answer_screen(game);
}

class WholeGame : public ::testing::TestWithParam<const char*> {};

// A whole game won by reading the colours off the screen: five rounds of 2 to 6 flashes, the
// victory screen, the three fireworks frames in their colours, then the menu again. The same
// on a terminal that the terminfo database knows to erase in its own background (TERM=dumb
// has no background-colour erase): every flash still fills the screen.
TEST_P(WholeGame, WonByTheRobotPlayer) {
    Options options = options_80x30();
    options.env = {std::string("TERM=") + GetParam()};
    Game game(options);
    ASSERT_TRUE(start_game(game)) << game.screen().dump();
    std::string flash_lengths; // every flash: colour and length on the game's clock
    bool red_too_short = false, other_too_long = false;
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
            // The game's clock runs ten times faster: red 3000 ms is 300 ms here, the others
            // 150 ms. Only a red flash lasts longer than the midway 225 ms.
            const long ms = round->flash_ms[k];
            flash_lengths +=
                std::to_string(round->colours[k]) + ":" + std::to_string(ms * 10) + "ms ";
            (round->colours[k] == 1 ? red_too_short : other_too_long) |=
                round->colours[k] == 1 ? ms < 225 : ms > 225;
        }
        expect_answer_screen(game);
        ASSERT_TRUE(answer(game, round->colours)) << game.screen().dump();
        ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar ou N para sair:",
                                       step_timeout))
            << game.screen().dump();
        const Emulator& s = game.screen();
        const int last = 12 + r; // questions on rows 12 .. 12 + r
        EXPECT_EQ(s.line(last), "Digite a cor " + std::to_string(r + 1) + ":" +
                                    std::to_string(round->colours.back()));
        EXPECT_EQ(s.line(last + 1), "");
        EXPECT_EQ(s.line(last + 2), "ACERTOU!") << s.dump();
        game.type("s\r");
    }

    std::printf("flash lengths (colour:length on the game's clock): %s\n", flash_lengths.c_str());
    EXPECT_FALSE(red_too_short) << flash_lengths;
    EXPECT_FALSE(other_too_long) << flash_lengths;

    const auto victory = [&] {
        return game.screen().line(1) == "              V I T O R I A !" &&
               game.screen().line(9) == rule;
    };
    ASSERT_TRUE(game.wait_until(victory, step_timeout)) << game.screen().dump();
    EXPECT_EQ(
        join(row_faults(game.screen(), {{0, rule, ansi::cyan},
                                        {1, "              V I T O R I A !", ansi::green},
                                        {2, rule, ansi::cyan},
                                        {3, "", -1},
                                        {4, "        Parabens! Voce conseguiu!", ansi::white},
                                        {5, "", -1},
                                        {6, "        A sua memoria de cores", ansi::white},
                                        {7, "        esta ficando cada vez melhor!", ansi::white},
                                        {8, "", -1},
                                        {9, rule, ansi::cyan}})),
        "")
        << game.screen().dump();

    struct Frame {
        int colour;
        std::vector<std::string> lines;
    };
    const std::vector<Frame> frames = {
        {ansi::green,
         {"                         *", "                  *     |     *",
          "                     \\  |  /", "                  *---  *  ---*",
          "                     /  |  \\", "                  *     |     *"}},
        {ansi::yellow,
         {"              *       *       *", "          *       \\   |   /       *",
          "              \\    \\  |  /    /", "        *-------\\---  *  ---/-------*",
          "              /    /  |  \\    \\", "          *       /   |   \\       *",
          "              *       *       *"}},
        {ansi::cyan,
         {"       *                 *                 *",
          "          \\           /     \\           /",
          "     *      \\   *   /         \\   *   /      *",
          "             \\  | /             \\ | /",
          "        *------\\-*------   ------*-/-*------*",
          "             /  | \\             / | \\",
          "     *      /   *   \\         /   *   \\      *",
          "          /           \\     /           \\",
          "       *                 *                 *"}},
    };
    for (std::size_t f = 0; f < frames.size(); ++f) {
        SCOPED_TRACE("fireworks frame " + std::to_string(f + 1));
        std::vector<Row> rows = {{0, "", -1}, {1, "", -1}};
        for (std::size_t i = 0; i < frames[f].lines.size(); ++i)
            rows.push_back({static_cast<int>(i) + 2, frames[f].lines[i], frames[f].colour});
        rows.push_back({static_cast<int>(frames[f].lines.size()) + 2, "", -1});
        ASSERT_TRUE(
            game.wait_until([&] { return row_faults(game.screen(), rows).empty(); }, step_timeout))
            << join(row_faults(game.screen(), rows)) << "\n"
            << game.screen().dump();
    }

    ASSERT_TRUE(game.wait_for_text("[ 1 ] COMECAR JOGO", step_timeout)) << game.screen().dump();
    ASSERT_TRUE(game.wait_for_text("errados.", step_timeout));
    // The normal scheme is in force now: the menu stands on black.
    EXPECT_TRUE(game.screen().cell(0, 0).bg.is_index(ansi::black))
        << describe(game.screen().cell(0, 0).bg);
    EXPECT_TRUE(game.screen().cell(14, 20).fg.is_index(ansi::green));
}

INSTANTIATE_TEST_SUITE_P(Terms, WholeGame, ::testing::Values("xterm-256color", "dumb"),
                         [](const auto& info) {
                             return std::string(info.param[0] == 'x' ? "Xterm" : "Dumb");
                         });

// A wrong first answer: every question is still asked, then the wrong-sequence screen shows
// the sequence that was really flashed, and the menu comes back.
TEST(RobotPlayer, AWrongAnswerShowsTheSequenceThatWasFlashed) {
    Game game(options_80x30());
    ASSERT_TRUE(start_game(game)) << game.screen().dump();
    const auto round = watch_round(game);
    ASSERT_TRUE(round) << game.screen().dump();
    ASSERT_EQ(round->colours.size(), 2u);
    std::vector<int> wrong = round->colours;
    wrong[0] = wrong[0] % 6 + 1;
    ASSERT_TRUE(answer(game, wrong)) << game.screen().dump();

    ASSERT_TRUE(game.wait_for_text("As cores eram:", step_timeout)) << game.screen().dump();
    const std::string flashed = "As cores eram:" + join(round->colours);
    EXPECT_EQ(join(row_faults(game.screen(), {{0, rule, ansi::red},
                                              {1, "             SEQUENCIA ERRADA!", ansi::red},
                                              {2, rule, ansi::red},
                                              {3, "", -1},
                                              {4, "Voce errou a ordem das cores!", ansi::white},
                                              {5, "", -1},
                                              {6, "Tente novamente!", ansi::yellow},
                                              {7, flashed, ansi::white},
                                              {8, "", -1}})),
              "")
        << game.screen().dump();

    ASSERT_TRUE(game.wait_for_text("[ 1 ] COMECAR JOGO", step_timeout)) << game.screen().dump();
    EXPECT_FALSE(game.screen().contains("As cores eram:"));
}

// Keys typed during the flashes are not drawn over them; they wait in the input and answer
// the questions as soon as these are asked, with their echo after each prompt.
TEST(RobotPlayer, KeysTypedDuringAFlashAnswerTheQuestionsLater) {
    Game game(options_80x30());
    ASSERT_TRUE(start_game(game)) << game.screen().dump();
    const auto round =
        watch_round(game, [&](int, int colour) { game.type(std::to_string(colour) + "\r"); });
    ASSERT_TRUE(round) << game.screen().dump();
    ASSERT_EQ(round->colours.size(), 2u);
    EXPECT_EQ(join(round->faults), "") << "typing showed on a flash";

    ASSERT_TRUE(game.wait_for_text("ACERTOU!", step_timeout)) << game.screen().dump();
    const Emulator& s = game.screen();
    EXPECT_EQ(s.line(12), "Digite a cor 1:" + std::to_string(round->colours[0]));
    EXPECT_EQ(s.line(13), "Digite a cor 2:" + std::to_string(round->colours[1]));
    EXPECT_EQ(s.line(15), "ACERTOU!") << s.dump();
    ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar ou N para sair:",
                                   step_timeout));
    game.type("n\r");
    ASSERT_TRUE(game.wait_for_text("[ 1 ] COMECAR JOGO", step_timeout)) << s.dump();
}

} // namespace
} // namespace e2e
