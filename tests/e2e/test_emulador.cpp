// The harness's own emulator: it reads back what a terminal shows, so the game's tests can
// trust what it says about cells, colours, the cursor and the alternate screen.
#include "pty_vterm.h"
#include "tests/telas_esperadas.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

TEST(Emulator, ReadsCharactersColoursAndAttributesOfEveryCell) {
    Emulator e(5, 20);
    e.feed("ab\033[31mc\033[0m\r\n\033[1;97;44mX\033[0mn\xc3\xa3o");
    EXPECT_EQ(e.line(0), "abc");
    EXPECT_EQ(e.line(1), "Xnão");
    EXPECT_TRUE(e.cell(0, 0).fg.is_default());
    EXPECT_TRUE(e.cell(0, 0).bg.is_default());
    EXPECT_TRUE(e.cell(0, 2).fg.is_index(esperado::vermelho));
    const Cell x = e.cell(1, 0);
    EXPECT_TRUE(x.fg.is_index(esperado::branco_brilhante));
    EXPECT_TRUE(x.bg.is_index(esperado::azul));
    EXPECT_TRUE(x.bold);
    EXPECT_EQ(e.cell(1, 2).text, "\u00e3");
    EXPECT_EQ(e.cell(4, 19).text, "") << "a cell never written is empty";
    EXPECT_EQ(e.find("não"), std::make_pair(1, 1));
    EXPECT_EQ(e.cursor_row(), 1);
    EXPECT_EQ(e.cursor_col(), 4);
}

// A clear under a colour fills every cell with it, as the game's whole-screen flashes need.
TEST(Emulator, EraseTakesThePensBackground) {
    Emulator e(3, 4);
    e.feed("\033[0;43;97m\033[H\033[2J");
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            EXPECT_TRUE(e.cell(row, col).bg.is_index(esperado::amarelo)) << row << "," << col;
    EXPECT_TRUE(e.pen_bg().is_index(esperado::amarelo));
    e.feed("\033[0m");
    EXPECT_TRUE(e.pen_bg().is_default());
}

TEST(Emulator, FollowsTheCursorsVisibilityAndTheAlternateScreen) {
    Emulator e(3, 10);
    e.feed("main");
    e.feed("\033[?1049h\033[?25l\033[Hgame");
    EXPECT_TRUE(e.alternate_screen());
    EXPECT_FALSE(e.cursor_visible());
    EXPECT_EQ(e.line(0), "game");
    e.feed("\033[?25h\033[?1049l");
    EXPECT_FALSE(e.alternate_screen());
    EXPECT_TRUE(e.cursor_visible());
    EXPECT_EQ(e.line(0), "main");
    const Screen s = e.snapshot();
    EXPECT_EQ(s.line(0), "main");
    EXPECT_EQ(s.at(0, 0).text, "m");
}

} // namespace
} // namespace e2e
