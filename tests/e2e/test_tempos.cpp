// End to end, in real time: how long the start banner, the count-down and the flashes last, that
// the time stopped by Ctrl-Z is not taken from a flash, and a key pressed as the prompt shows.
#include "pty_vterm.h"
#include "robot.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace e2e {
namespace {

// Wide enough for a loaded machine, narrow enough to catch a wrong wait of 1000 ms or more, or a
// flash of the wrong length (they differ by 1500 ms). The 100 ms pause after the flashes is only
// held to at most 200 ms here: its length is checked on the virtual clock.
constexpr long tolerance_ms = 100;

long ms_between(Clock::time_point from, Clock::time_point to) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(to - from).count());
}

// Round 1 on the real clock: each screen from the banner to the legend, timed from the moment
// it is rendered to the moment the next one is.
TEST(RealTime, BannerCountDownAndFlashesLastTheirTimes) {
    Game game({.fast_clock = false});
    const milliseconds timeout{5000};
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu, timeout));
    game.type("1\r");

    const auto top_is = [&](const std::string& text) {
        return game.wait_until([&] { return game.screen().line(0) == text; }, timeout);
    };
    const auto banner = game.wait_for_text(esperado::titulo(esperado::jogo_iniciado), timeout);
    ASSERT_TRUE(banner) << game.screen().dump();

    std::vector<std::pair<std::string, Clock::time_point>> shown;
    std::vector<std::string> steps = {esperado::com_numero(esperado::rodada, 1)};
    steps.insert(steps.end(), std::begin(esperado::contagem), std::end(esperado::contagem));
    for (const std::string& text : steps) {
        const auto at = top_is(text);
        ASSERT_TRUE(at) << "no \"" << text << "\"\n" << game.screen().dump();
        shown.emplace_back(text, *at);
    }
    EXPECT_NEAR(ms_between(*banner, shown[0].second), esperado::ms::jogo_iniciado, tolerance_ms)
        << "start banner";
    for (std::size_t i = 1; i < shown.size(); ++i) {
        std::printf("\"%s\": %ld ms\n", shown[i - 1].first.c_str(),
                    ms_between(shown[i - 1].second, shown[i].second));
        EXPECT_NEAR(ms_between(shown[i - 1].second, shown[i].second),
                    esperado::ms::passo_da_contagem, tolerance_ms)
            << "\"" << shown[i - 1].first << "\"";
    }

    Clock::time_point previous_end = shown.back().second;
    long go_length = -1;
    for (int k = 1; k <= 2; ++k) {
        const std::string label = esperado::com_numero(esperado::piscada, k);
        const auto start = top_is(label);
        ASSERT_TRUE(start) << game.screen().dump();
        if (k == 1) go_length = ms_between(previous_end, *start);
        const int colour = colour_number(game.screen().cell(0, 0).bg);
        ASSERT_GT(colour, 0) << game.screen().dump();
        const auto end =
            game.wait_until([&] { return game.screen().line(0) != label; }, milliseconds{6000});
        ASSERT_TRUE(end);
        std::printf("flash %d, colour %d: %ld ms\n", k, colour, ms_between(*start, *end));
        EXPECT_NEAR(ms_between(*start, *end), esperado::cores[colour - 1].ms, tolerance_ms)
            << "flash " << k << " of colour " << colour;
        previous_end = *end;
    }
    EXPECT_NEAR(go_length, esperado::ms::passo_da_contagem, tolerance_ms) << steps.back();
    const auto legend = game.wait_for_text(esperado::quais_cores, timeout);
    ASSERT_TRUE(legend);
    EXPECT_NEAR(ms_between(previous_end, *legend), esperado::ms::depois_das_cores, tolerance_ms)
        << "pause after the flashes";
    game.signal(SIGTERM);
    EXPECT_TRUE(game.wait_exit(timeout));
}

// Stopped 200 ms into the first flash for a second, the game shows that flash for the rest of
// its time after SIGCONT: not the whole flash again, and not nothing (a deadline that kept
// running while the game was stopped).
TEST(Deadlines, AFlashStoppedByCtrlZShowsTheRestOfItsTimeAfterSigcont) {
    Game game({.fast_clock = false});
    const milliseconds timeout{10000};
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu, timeout));
    game.type("1\r");
    const std::string first = esperado::com_numero(esperado::piscada, 1);
    const std::string second = esperado::com_numero(esperado::piscada, 2);
    const auto flash = game.wait_until([&] { return game.screen().line(0) == first; }, timeout);
    ASSERT_TRUE(flash) << game.screen().dump();
    const int colour = colour_number(game.screen().cell(0, 0).bg);
    ASSERT_GT(colour, 0) << game.screen().dump();
    const long nominal = esperado::cores[colour - 1].ms;

    std::this_thread::sleep_until(*flash + milliseconds{200});
    const auto stop = Clock::now();
    game.signal(SIGTSTP);
    ASSERT_TRUE(game.wait_stopped(timeout));
    std::this_thread::sleep_for(milliseconds{1000});
    const auto resumed = Clock::now();
    game.signal(SIGCONT);
    // Back on the game's screen, the flash is drawn again.
    const auto redrawn = game.wait_until(
        [&] {
            const std::string top = game.screen().line(0);
            return game.screen().alternate_screen() && (top == first || top == second);
        },
        timeout);
    ASSERT_TRUE(redrawn) << game.screen().dump();
    ASSERT_EQ(game.screen().line(0), first) << "the flash ended before the stop";
    const auto next = game.wait_until([&] { return game.screen().line(0) == second; }, timeout);
    ASSERT_TRUE(next) << game.screen().dump();

    EXPECT_NEAR(ms_between(resumed, *next), nominal - ms_between(*flash, stop), tolerance_ms)
        << "a " << nominal << " ms flash stopped " << ms_between(*flash, stop)
        << " ms after it began";
    game.signal(SIGTERM);
    EXPECT_TRUE(game.wait_exit(timeout));
}

// A window resized 40 times in under a second during the first flash: the flash is drawn again
// for the last size, both flashes keep their times, and a key typed meanwhile waits for the
// first question. libvterm fills a grown window's cells by itself, so the redraw is looked for
// in the game's own output.
TEST(Deadlines, AFlashDrawnAgainForEachNewSizeKeepsItsTime) {
    Game game({.fast_clock = false});
    const milliseconds timeout{10000};
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu, timeout));
    game.type("1\r");
    std::vector<Clock::time_point> starts;
    std::vector<int> colours;
    for (int k = 1; k <= 2; ++k) {
        const std::string label = esperado::com_numero(esperado::piscada, k);
        const auto start = game.wait_until([&] { return game.screen().line(0) == label; }, timeout);
        ASSERT_TRUE(start) << game.screen().dump();
        starts.push_back(*start);
        colours.push_back(colour_number(game.screen().cell(0, 0).bg));
        if (k == 2) break;
        std::size_t last = 0;
        Clock::time_point resized;
        for (int i = 0; i < 40; ++i) {
            game.resize(30 + i % 7, 80 + i * 7 % 41);
            resized = Clock::now();
            if (i == 20) game.type("3");
            last = game.output().size();
            game.wait_until([] { return false; }, milliseconds{20}); // output read as it comes
        }
        ASSERT_TRUE(game.wait_for_output(label, last, milliseconds{1000}))
            << "the flash was not drawn again after the last resize";
        std::printf("flash drawn again %ld ms after the last resize\n",
                    ms_between(resized, game.arrival(game.output().find(label, last))));
    }
    const std::string second = esperado::com_numero(esperado::piscada, 2);
    const auto end = game.wait_until([&] { return game.screen().line(0) != second; }, timeout);
    ASSERT_TRUE(end);
    starts.push_back(*end);
    for (int k = 0; k < 2; ++k) {
        const long length = ms_between(starts[k], starts[k + 1]);
        std::printf("flash %d, colour %d: %ld ms\n", k + 1, colours[k], length);
        ASSERT_GT(colours[k], 0);
        EXPECT_NEAR(length, esperado::cores[colours[k] - 1].ms, tolerance_ms) << "flash " << k + 1;
    }
    const std::string question = esperado::com_numero(esperado::pergunta, 1);
    ASSERT_TRUE(shows(game, question, timeout));
    const int row = game.screen().find(question).first;
    EXPECT_TRUE(game.wait_until([&] { return game.screen().line(row) == question + "3"; }, timeout))
        << "the key typed during the resizes is lost\n"
        << game.screen().dump();
    game.signal(SIGTERM);
    EXPECT_TRUE(game.wait_exit(timeout));
}

// The key wait keeps keys typed before it for the reads and waits for a new one; a key pressed
// as soon as the prompt is on the screen is a new one. Each screen is left with a key sent the
// moment its prompt is rendered, on the real clock.
TEST(KeyWait, AKeyPressedAsSoonAsThePromptShowsEndsTheWait) {
    Game game({.fast_clock = false});
    const milliseconds timeout{5000};
    for (const char* option : {"2\r", "3\r", "2\r", "3\r"}) {
        ASSERT_TRUE(shows(game, esperado::aviso_do_menu, timeout));
        game.type(option);
        ASSERT_TRUE(shows(game, esperado::tecla, timeout));
        game.type(" ");
        ASSERT_TRUE(shows(game, esperado::aviso_do_menu, timeout))
            << "option " << option[0] << ": the key did not end the wait";
    }
    game.signal(SIGTERM);
    EXPECT_TRUE(game.wait_exit(timeout));
}

} // namespace
} // namespace e2e
