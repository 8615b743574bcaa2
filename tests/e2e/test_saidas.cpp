// End to end: every way out of the game gives the terminal back as the player left it, and a
// terminal that pushes back loses nothing.
#include "pty_vterm.h"
#include "robot.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace e2e {
namespace {

// The faults of a terminal that the game has given back: its modes and its screen.
std::string given_back(Game& game) {
    return join(mode_faults(game)) + join(given_back_faults(game.screen()));
}

// Where the game is when the player leaves.
enum class Where { Menu, CountDown, Flash, Answer };

struct WayOut {
    const char* name;
    Where where;
    bool fast_clock;  // false: real time, so that a flash lasts long enough to act in it
    const char* keys; // typed to leave, or nullptr to send `sig`
    int sig;
    int ended_by; // the signal that should end the game, 0 for an exit with status 0
};

void PrintTo(const WayOut& w, std::ostream* os) {
    *os << w.name;
}

// Takes the game to `where`; false when it did not get there in time.
bool go_to(Game& game, Where where) {
    const milliseconds timeout{20000}; // a round in real time takes up to 12 s to its flashes
    if (!game.wait_for_text(esperado::aviso_do_menu, timeout)) return false;
    if (where == Where::Menu) return true;
    game.type("1\r");
    if (where == Where::CountDown)
        return game.wait_for_text(esperado::contagem[1], timeout).has_value();
    const std::string first = esperado::com_numero(esperado::piscada, 1);
    if (where == Where::Flash)
        return game.wait_until([&] { return game.screen().line(0) == first; }, timeout).has_value();
    return game.wait_for_text(esperado::com_numero(esperado::pergunta, 1), timeout).has_value();
}

class WaysOut : public ::testing::TestWithParam<WayOut> {};

TEST_P(WaysOut, RestoreTheTerminalAndEndWithTheRightStatus) {
    const WayOut& way = GetParam();
    Game game({.fast_clock = way.fast_clock});
    ASSERT_TRUE(go_to(game, way.where)) << game.screen().dump();
    // While the game runs, it has the terminal to itself; no key is the line discipline's but
    // the signals' (IEXTEN: Ctrl-O and Ctrl-V on macOS and the BSDs).
    EXPECT_TRUE(game.screen().alternate_screen());
    EXPECT_FALSE(game.modes().c_lflag & (ICANON | ECHO | IEXTEN));
    EXPECT_TRUE(game.modes().c_lflag & ISIG);

    if (way.keys) {
        game.type(way.keys);
    } else {
        game.signal(way.sig);
    }
    ASSERT_TRUE(game.wait_exit(milliseconds{10000})) << "the game did not end\n"
                                                     << game.screen().dump();
    const int st = game.wait_status();
    if (way.ended_by == 0) {
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << describe_status(st);
    } else {
        EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == way.ended_by) << describe_status(st);
    }
    EXPECT_EQ(given_back(game), "") << game.screen().dump();
}

INSTANTIATE_TEST_SUITE_P(
    Game, WaysOut,
    ::testing::Values(WayOut{"CtrlDAtTheMenu", Where::Menu, true, "\x04", 0, 0},
                      WayOut{"CtrlDAtAnAnswer", Where::Answer, true, "\x04", 0, 0},
                      WayOut{"CtrlCDuringAFlash", Where::Flash, false, "\x03", 0, SIGINT},
                      WayOut{"SigtermDuringAFlash", Where::Flash, false, nullptr, SIGTERM, SIGTERM},
                      WayOut{"SigtermDuringTheCountDown", Where::CountDown, true, nullptr, SIGTERM,
                             SIGTERM},
                      WayOut{"SighupAtTheMenu", Where::Menu, true, nullptr, SIGHUP, SIGHUP},
                      WayOut{"SighupAtAnAnswer", Where::Answer, true, nullptr, SIGHUP, SIGHUP}),
    [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

// Closing the terminal during a round ends the game: no read or sleep goes on for ever on a
// terminal that is gone. Either the hang-up's signal ends it, or its next write fails first:
// a failed output, status 1.
TEST(HangUp, ClosingTheTerminalEndsTheGame) {
    Game game(Options{});
    ASSERT_TRUE(go_to(game, Where::Flash)) << game.screen().dump();
    game.hang_up();
    ASSERT_TRUE(game.wait_until([&] { return game.ended(); }, milliseconds{20000}))
        << "the game still runs with its terminal gone";
    const int st = game.wait_status();
    std::printf("after the hang-up: %s\n", describe_status(st).c_str());
    EXPECT_TRUE((WIFEXITED(st) && WEXITSTATUS(st) == 1) ||
                (WIFSIGNALED(st) && WTERMSIG(st) == SIGHUP))
        << describe_status(st);
}

// The visible part of two screens: characters and colours of every cell, and the cursor.
std::string difference(const Screen& a, const Screen& b) {
    if (a.cursor_row != b.cursor_row || a.cursor_col != b.cursor_col)
        return "cursor moved from " + std::to_string(a.cursor_row) + "," +
               std::to_string(a.cursor_col) + " to " + std::to_string(b.cursor_row) + "," +
               std::to_string(b.cursor_col);
    for (int row = 0; row < a.rows; ++row)
        for (int col = 0; col < a.cols; ++col) {
            const Cell &x = a.at(row, col), &y = b.at(row, col);
            if (x.shown() != y.shown() || x.fg != y.fg || x.bg != y.bg)
                return "cell " + std::to_string(row) + "," + std::to_string(col) + " was '" +
                       x.shown() + "' " + describe(x.fg) + "/" + describe(x.bg) + ", is '" +
                       y.shown() + "' " + describe(y.fg) + "/" + describe(y.bg);
        }
    return "";
}

void PrintTo(Where where, std::ostream* os) {
    *os << (where == Where::Menu ? "at the menu" : "during a flash");
}

class Suspend : public ::testing::TestWithParam<Where> {};

// Ctrl-Z gives the terminal back while the game is stopped; SIGCONT brings back its screen.
TEST_P(Suspend, CtrlZThenSigcontBringsBackTheSameScreen) {
    Game game({.fast_clock = GetParam() != Where::Flash});
    ASSERT_TRUE(go_to(game, GetParam())) << game.screen().dump();
    const Screen before = game.screen().snapshot();

    game.type("\x1a");
    ASSERT_TRUE(game.wait_stopped(milliseconds{10000})) << game.screen().dump();
    EXPECT_EQ(given_back(game), "") << game.screen().dump();

    game.signal(SIGCONT);
    std::string last_difference;
    const auto back = game.wait_until(
        [&] {
            if (!game.screen().alternate_screen() || game.stopped()) return false;
            last_difference = difference(before, game.screen().snapshot());
            return last_difference.empty();
        },
        milliseconds{10000});
    ASSERT_TRUE(back) << last_difference << "\n" << game.screen().dump();
    EXPECT_FALSE(game.modes().c_lflag & (ICANON | ECHO)) << "the game's modes are back";

    // And the game goes on: at the menu a key still works, in a flash the round goes on.
    if (GetParam() == Where::Menu) {
        game.type("3\r");
        EXPECT_TRUE(shows(game, esperado::titulo(esperado::creditos)));
    } else {
        EXPECT_TRUE(shows(game, esperado::quais_cores, milliseconds{20000}));
    }
}

INSTANTIATE_TEST_SUITE_P(Game, Suspend, ::testing::Values(Where::Menu, Where::Flash),
                         [](const ::testing::TestParamInfo<Where>& info) {
                             return std::string(info.param == Where::Menu ? "AtTheMenu"
                                                                          : "DuringAFlash");
                         });

bool exited_with(int st, int status) {
    return WIFEXITED(st) && WEXITSTATUS(st) == status;
}

// The terminal's file description left non-blocking by an earlier program (standard input and
// output share it), under TERM=screen at 250 x 80, where every clear writes each of the 20,000
// cells, far more than the pty takes at once: the reads wait for the player, every byte reaches
// the screen, and the way out is whole.
TEST(PushesBack, ANonBlockingTerminalLosesNoByte) {
    Game game({.rows = 80, .cols = 250, .env = {"TERM=screen"}, .nonblocking = true});
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    EXPECT_EQ(row_faults(game.screen(), esperado::menu_na_largura(250)), "");
    game.type("1\r");
    const auto round = watch_round(game);
    ASSERT_TRUE(round) << game.screen().dump();
    EXPECT_EQ(join(round->faults), "");
    ASSERT_TRUE(shows(game, esperado::com_numero(esperado::pergunta, 1)));
    EXPECT_EQ(normal_scheme_faults(game.screen()), "") << game.screen().dump();
    game.type("\x04");
    ASSERT_TRUE(game.wait_exit(step_timeout)) << game.screen().dump();
    EXPECT_TRUE(exited_with(game.wait_status(), 0)) << describe_status(game.wait_status());
    EXPECT_EQ(given_back(game), "") << game.screen().dump();
}

// A Ctrl-Z while the restore of a Ctrl-C is still being written (the terminal's output stopped
// with Ctrl-S holds it): the stop waits for the restore, the game ends by its Ctrl-C, and the
// terminal stays given back.
TEST(PushesBack, CtrlZWhileCtrlCRestoresTheTerminal) {
    Game game(Options{});
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    const auto pause = [] { std::this_thread::sleep_for(milliseconds{150}); };
    game.type("\x13");
    pause();
    game.signal(SIGINT);
    pause();
    game.signal(SIGTSTP);
    pause();
    game.type("\x11");
    ASSERT_TRUE(game.wait_until([&] { return game.ended() || game.stopped(); }, step_timeout));
    if (game.stopped()) game.signal(SIGCONT);
    ASSERT_TRUE(game.wait_exit(step_timeout)) << game.screen().dump();
    const int st = game.wait_status();
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGINT) << describe_status(st);
    EXPECT_EQ(given_back(game), "") << game.screen().dump();
}

// The most address space the game has used, from /proc, in KiB.
long peak_address_space_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmPeak:", 0) == 0) return std::stol(line.substr(7));
    return 0;
}

// Memory running out: a 1000 x 1000 window under TERM=screen, where a clear paints a million
// cells, with the address space the same game needs at that size where no clear paints
// (xterm-256color) and 256 KiB more. The game ends with a message and status 1, the terminal given
// back.
TEST(WaysOut, MemoryRunningOutEndsWithTheTerminalGivenBack) {
    Options options{.rows = 1000, .cols = 1000, .fast_clock = false};
    long needed_kb = 0;
    {
        Game game(options);
        ASSERT_TRUE(game.wait_for_text(esperado::aviso_do_menu, step_timeout))
            << game.screen().line(0);
        needed_kb = peak_address_space_kb(game.pid());
    }
    ASSERT_GT(needed_kb, 0);
    options.env = {"TERM=screen"};
    options.program = "/usr/bin/prlimit";
    options.args = {"--as=" + std::to_string((needed_kb + 256) * 1024), "--", game_program()};
    Game game(options);
    ASSERT_TRUE(game.wait_exit(step_timeout)) << game.screen().line(0);
    EXPECT_TRUE(exited_with(game.wait_status(), 1)) << describe_status(game.wait_status());
    EXPECT_TRUE(game.screen().contains("quirelo: memoria insuficiente"));
    EXPECT_EQ(given_back(game), "") << game.screen().dump();
}

// Standard input a pipe and standard output the terminal (`printf '2\n3\n' | quirelo`): the
// clears erase the screen, never the player's scroll-back.
TEST(WaysOut, TheScrollBackIsThePlayers) {
    Game game({.program = "/bin/sh", .args = {"-c", "printf '2\\n3\\n' | exec " + game_program()}});
    ASSERT_TRUE(game.wait_exit(step_timeout)) << game.screen().dump();
    EXPECT_NE(game.output().find(esperado::titulo(esperado::creditos)), std::string::npos);
    EXPECT_EQ(game.output().find("\033[3J"), std::string::npos) << "the scroll-back erased";
}

} // namespace
} // namespace e2e
