// End to end, on the backend of the executable it is built into (the native game, or quirelo.exe
// under wine): output through a pipe, as a terminal that hands the game pipes (mintty) reads it,
// is left in the terminal's own colours however the game ends: its last colour code is SGR 0.
#include "pty_vterm.h"
#include "robot.h"

#include <gtest/gtest.h>

namespace e2e {

#ifdef QUIRELO_WINE
// quirelo.exe under wine, and the wait for its console to take the keys (test_wine.cpp).
Options under_wine();
bool console_takes_keys(Game& game);
#endif

namespace {

#ifdef QUIRELO_WINE
const auto backend = under_wine;
#else
Options backend() {
    return {};
}
bool console_takes_keys(Game&) {
    return true; // the pty's own line editing takes them
}
#endif

// How the game ends: at the end of its input (a pipe, closed after the "1" that starts a round),
// or by Ctrl-C in the round's first flash (its input the terminal's keys).
struct PipedEnd {
    const char* name;
    bool ctrl_c;
};

void PrintTo(const PipedEnd& end, std::ostream* os) {
    *os << end.name;
}

class PipedOutput : public ::testing::TestWithParam<PipedEnd> {};

TEST_P(PipedOutput, EndsInTheTerminalsOwnColours) {
    const milliseconds timeout{30000}; // a round under wine, on the real clock
    Options options = backend();
    options.streams = {GetParam().ctrl_c ? child::on_pty : child::piped, child::piped,
                       child::on_pty};
    Game game(options);
    if (GetParam().ctrl_c) {
        ASSERT_TRUE(game.wait_for_output(esperado::aviso_do_menu, 0, timeout));
        ASSERT_TRUE(console_takes_keys(game));
        game.type("1\r");
        ASSERT_TRUE(game.wait_for_output(esperado::com_numero(esperado::piscada, 1), 0, timeout));
        game.type("\x03");
    } else {
        game.type("1\n");
        game.end_input();
    }
    ASSERT_TRUE(game.end_within(timeout)) << "the game did not end";
    const std::string& bytes = game.output();
    std::string last; // the last colour code, "\033[" parameters "m"
    for (auto at = bytes.find("\033["); at != std::string::npos; at = bytes.find("\033[", at + 1)) {
        const auto m = bytes.find_first_not_of("0123456789;", at + 2);
        if (m != std::string::npos && bytes[m] == 'm') last = bytes.substr(at, m - at + 1);
    }
    EXPECT_EQ(last, "\033[0m") << "the output ends with "
                               << ::testing::PrintToString(
                                      bytes.substr(std::max<std::size_t>(bytes.size(), 60) - 60));
}

INSTANTIATE_TEST_SUITE_P(Game, PipedOutput,
                         ::testing::Values(PipedEnd{"EndOfInput", false},
                                           PipedEnd{"CtrlCInAFlash", true}),
                         [](const ::testing::TestParamInfo<PipedEnd>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace e2e
