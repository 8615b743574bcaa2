// End to end, in real time: the time the game spends stopped by Ctrl-Z is not taken from the
// flash it stopped in, and a key pressed the moment the key prompt shows ends the key wait.
#include "pty_vterm.h"
#include "robot.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace e2e {
namespace {

constexpr long tolerance_ms = 100;

long ms_between(Clock::time_point from, Clock::time_point to) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(to - from).count());
}

// Stopped 200 ms into the first flash for a second, the game shows that flash for the rest of
// its time after SIGCONT: not the whole flash again, and not nothing (a deadline that kept
// running while the game was stopped).
TEST(Deadlines, AFlashStoppedByCtrlZShowsTheRestOfItsTimeAfterSigcont) {
    Options options;
    options.program = game_program();
    options.fast_clock = false;
    Game game(options);
    const milliseconds timeout{10000};
    ASSERT_TRUE(game.wait_for_text("errados.", timeout));
    game.type("1\r");
    const auto flash = game.wait_until([&] { return game.screen().line(0) == "Cor:1"; }, timeout);
    ASSERT_TRUE(flash) << game.screen().dump();
    const long nominal = colour_number(game.screen().cell(0, 0).bg) == 1 ? 3000 : 1500;

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
            return game.screen().alternate_screen() && (top == "Cor:1" || top == "Cor:2");
        },
        timeout);
    ASSERT_TRUE(redrawn) << game.screen().dump();
    ASSERT_EQ(game.screen().line(0), "Cor:1") << "the flash ended before the stop";
    const auto next = game.wait_until([&] { return game.screen().line(0) == "Cor:2"; }, timeout);
    ASSERT_TRUE(next) << game.screen().dump();

    EXPECT_NEAR(ms_between(resumed, *next), nominal - ms_between(*flash, stop), tolerance_ms)
        << "a " << nominal << " ms flash stopped " << ms_between(*flash, stop)
        << " ms after it began";
    game.signal(SIGTERM);
    EXPECT_TRUE(game.wait_exit(timeout));
}

// The key wait keeps keys typed before it for the reads and waits for a new one; a key pressed
// as soon as the prompt is on the screen is a new one. Each screen is left with a key sent the
// moment its prompt is rendered, on the real clock.
TEST(KeyWait, AKeyPressedAsSoonAsThePromptShowsEndsTheWait) {
    Options options;
    options.program = game_program();
    options.fast_clock = false;
    Game game(options);
    const milliseconds timeout{5000};
    for (const char* option : {"2\r", "3\r", "2\r", "3\r"}) {
        ASSERT_TRUE(game.wait_for_text("errados.", timeout)) << game.screen().dump();
        game.type(option);
        ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar. . .", timeout));
        game.type(" ");
        ASSERT_TRUE(game.wait_for_text("Q U I R E L O", timeout))
            << "option " << option[0] << ": the key did not end the wait\n"
            << game.screen().dump();
    }
    game.signal(SIGTERM);
    EXPECT_TRUE(game.wait_exit(timeout));
}

} // namespace
} // namespace e2e
