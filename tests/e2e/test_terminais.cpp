// End to end: the game inside GNU screen and tmux, and on a terminal with a light theme.
#include "pty_vterm.h"
#include "robot.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace e2e {
namespace {

// A folder of the test's own, removed at the end.
struct Folder {
    std::string path;
    Folder() {
        char name[] = "/tmp/quirelo-e2e-XXXXXX";
        if (mkdtemp(name)) path = name;
    }
    ~Folder() {
        if (!path.empty()) std::system(("rm -rf " + path).c_str());
    }
    std::string file(const std::string& name, const std::string& text) const {
        std::ofstream(path + "/" + name) << text;
        return path + "/" + name;
    }
};

// What the multiplexer runs: a shell that shows a line of its own, runs the game (on the fast
// clock: libfaketime is preloaded into the game only), says when the game is over and waits
// for Enter. The shell survives the Ctrl-C that ends the game.
std::string shell_around_the_game() {
    return "trap : INT; echo 'linha do shell'; env LD_PRELOAD=" + faketime_library() +
           " 'FAKETIME=+0 x10' FAKETIME_NO_CACHE=1 " + game_program() +
           "; echo 'fim do jogo'; read fim";
}

struct Multiplexer {
    const char* name;
    // The options that start it around the game, with its files in `folder`.
    Options (*options)(const Folder& folder);
    // Ends what it left running (its server), if anything.
    void (*end)(const Folder& folder);
};

void PrintTo(const Multiplexer& m, std::ostream* os) {
    *os << m.name;
}

// GNU screen with its own defaults (no background-colour erase, the alternate screen off); only
// the start-up message is turned off, so that it does not wait for a key.
Options screen_options(const Folder& folder) {
    return {.program = "/usr/bin/screen",
            .args = {"-c", folder.file("screenrc", "startup_message off\n"), "/bin/sh", "-c",
                     shell_around_the_game()},
            .fast_clock = false,
            .env = {"SCREENDIR=" + folder.path, "SYSSCREENRC=/dev/null", "HOME=" + folder.path,
                    "SHELL=/bin/sh"}};
}

void screen_end(const Folder& folder) {
    std::system(("SCREENDIR=" + folder.path + " screen -wipe >/dev/null 2>&1").c_str());
}

// tmux with its defaults (TERM=screen inside), but for the status line, so that its pane is the
// whole window.
Options tmux_options(const Folder& folder) {
    return {.program = "/usr/bin/tmux",
            .args = {"-S", folder.path + "/tmux", "-f",
                     folder.file("tmux.conf", "set -g status off\n"), "new-session",
                     shell_around_the_game()},
            .fast_clock = false,
            .env = {"HOME=" + folder.path, "SHELL=/bin/sh"}};
}

void tmux_end(const Folder& folder) {
    std::system(("tmux -S " + folder.path + "/tmux kill-server >/dev/null 2>&1").c_str());
}

// The faults of the shell's screen after the game: anything of the game's still on it, or
// any cell not in the terminal's own colours.
std::vector<std::string> shell_screen_faults(const Emulator& s) {
    std::vector<std::string> faults;
    for (const std::string_view game_text :
         {esperado::antes_do_numero(esperado::piscada), std::string_view(esperado::quais_cores),
          esperado::antes_do_numero(esperado::pergunta),
          std::string_view(esperado::respostas[0].texto)})
        if (s.contains(game_text)) faults.push_back("\"" + std::string(game_text) + "\" left");
    if (const std::string cell = first_coloured_cell(s); !cell.empty()) faults.push_back(cell);
    return faults;
}

// Waits for flash `k` to stand whole on the screen: every cell in one of the six colours, with
// "Cor:k" alone on it. A multiplexer redraws a changed screen line by line, so a flash is judged
// once its redraw is done, not at every byte of it. Returns its colour number, or 0 when the
// flash went by without ever filling the screen.
int settled_flash(Game& game, int k) {
    const std::string label = esperado::com_numero(esperado::piscada, k);
    int colour = 0;
    game.wait_until(
        [&] {
            const Emulator& s = game.screen();
            const std::string top = s.line(0);
            if (esperado::numero_em(top, esperado::piscada) > k) return true;
            if (s.contains(esperado::quais_cores)) return true; // the flashes are over
            if (top != label) return false;
            const Color bg = s.cell(0, 0).bg;
            for (int row = 0; row < s.rows(); ++row)
                for (int col = 0; col < s.cols(); ++col)
                    if (!(s.cell(row, col).bg == bg)) return false;
            colour = colour_number(bg);
            return true;
        },
        step_timeout);
    return colour;
}

class InsideAMultiplexer : public ::testing::TestWithParam<Multiplexer> {};

// Behind screen or tmux, which erase in the terminal's own background: every flash still fills
// every cell, the answer screen is light grey on black to the last cell, and Ctrl-C leaves the
// shell a screen with nothing of the game on it.
TEST_P(InsideAMultiplexer, FlashesFillTheScreenAndCtrlCLeavesItClean) {
    const Multiplexer& m = GetParam();
    Folder folder;
    ASSERT_FALSE(folder.path.empty());
    {
        Game game(m.options(folder));
        ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
        game.type("1\r");
        ASSERT_TRUE(shows(game, esperado::contagem[3]));
        std::vector<int> colours;
        for (int k = 1; k <= 2; ++k) {
            colours.push_back(settled_flash(game, k));
            EXPECT_NE(colours.back(), 0) << "flash " << k << "\n" << game.screen().dump();
        }
        ASSERT_TRUE(shows(game, esperado::com_numero(esperado::pergunta, 1)));
        game.wait_until([&] { return normal_scheme_faults(game.screen()).empty(); },
                        milliseconds{2000});
        EXPECT_EQ(normal_scheme_faults(game.screen()), "") << game.screen().dump();

        game.type("\x03");
        ASSERT_TRUE(shows(game, "fim do jogo"));
        EXPECT_EQ(join(shell_screen_faults(game.screen())), "") << game.screen().dump();
        game.type("\r");
        EXPECT_TRUE(game.wait_exit(step_timeout));
    }
    m.end(folder);
}

INSTANTIATE_TEST_SUITE_P(Game, InsideAMultiplexer,
                         ::testing::Values(Multiplexer{"GnuScreen", screen_options, screen_end},
                                           Multiplexer{"Tmux", tmux_options, tmux_end}),
                         [](const auto& info) { return std::string(info.param.name); });

// A terminal whose own colours are black on white shows the screens a dark one shows: from the
// menu on, every screen stands on black, with the plain text light grey.
TEST(LightTheme, EveryScreenFromTheMenuOnIsLightGreyOnBlack) {
    Game game({.light_theme = true});
    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    EXPECT_EQ(normal_scheme_faults(game.screen(), false), "") << game.screen().dump();
    EXPECT_EQ(row_faults(game.screen(), esperado::avisos_do_menu), "");

    game.type("2\r");
    ASSERT_TRUE(shows(game, esperado::tecla));
    EXPECT_EQ(normal_scheme_faults(game.screen(), false), "") << game.screen().dump();
    EXPECT_EQ(row_faults(game.screen(), esperado::regras), "");
    game.type("x");

    ASSERT_TRUE(shows(game, esperado::aviso_do_menu));
    game.type("1\r");
    ASSERT_TRUE(shows(game, esperado::com_numero(esperado::rodada, 1)));
    EXPECT_EQ(normal_scheme_faults(game.screen(), false), "") << game.screen().dump();
    const auto round = watch_round(game);
    ASSERT_TRUE(round) << game.screen().dump();
    EXPECT_EQ(join(round->faults), "");
    ASSERT_TRUE(shows(game, esperado::com_numero(esperado::pergunta, 1)));
    EXPECT_EQ(normal_scheme_faults(game.screen()), "") << game.screen().dump();
}

} // namespace
} // namespace e2e
