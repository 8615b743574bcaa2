// End to end: the main menu at several widths, its text encoding, and the screens it opens.
#include "pty_vterm.h"
#include "robot.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace e2e {
namespace {

Options at_width(int cols) {
    return {.cols = cols};
}

// Once the menu is whole, the end of its warning is on screen (all of it would not stand on one
// row of a narrow window) and the cursor waits at the start of a row.
bool menu_is_drawn(Game& game) {
    const std::string& warning = esperado::aviso_do_menu;
    const std::string end = warning.substr(warning.rfind(' ') + 1);
    return game
        .wait_until([&] { return game.screen().contains(end) && game.screen().cursor_col() == 0; },
                    step_timeout)
        .has_value();
}

class MenuAtWidth : public ::testing::TestWithParam<int> {};

// Every cell of the menu: the characters at their rows and block column, in their colours,
// on black, and nothing else on screen.
TEST_P(MenuAtWidth, EveryCellIsWhereAndHowThePlayerShouldSeeIt) {
    const int cols = GetParam();
    Game game(at_width(cols));
    ASSERT_TRUE(menu_is_drawn(game)) << game.screen().dump();
    const Emulator& screen = game.screen();
    const auto cell = [&](int row, int col) { return character_and_colour(screen, row, col); };
    EXPECT_EQ(join(esperado::faltas_do_menu(cols, screen.rows(), esperado::cinza, cell)), "")
        << screen.dump();
    EXPECT_EQ(normal_scheme_faults(screen, false), "");
    const esperado::menu_desenhado menu = esperado::menu_em_celulas(cols);
    EXPECT_EQ(screen.cursor_row(), menu.linha);
    EXPECT_EQ(screen.cursor_col(), menu.coluna);
}

INSTANTIATE_TEST_SUITE_P(Widths, MenuAtWidth, ::testing::Values(80, 120, 39, 38));

// The same placements said plainly, so that a wrong layout model cannot hide a wrong menu: the
// block's rows from the column each width puts them at, the warnings from the start of a row.
TEST(Menu, BlockColumnAndWarningsAtTheWidthsThatMatter) {
    for (const auto& [cols, block] : {std::pair{80, 20}, std::pair{120, 40}, std::pair{39, 0}}) {
        SCOPED_TRACE("width " + std::to_string(cols));
        Game game(at_width(cols));
        ASSERT_TRUE(menu_is_drawn(game));
        esperado::tela rows = {esperado::avisos_do_menu[0]};
        if (cols >= 80) rows.push_back(esperado::avisos_do_menu[1]); // narrower, it wraps
        for (const auto& line : esperado::menu)
            rows.push_back(
                {line.linha, (std::string(block, ' ') + line.texto).substr(0, cols), line.cor});
        EXPECT_EQ(row_faults(game.screen(), rows), "") << game.screen().dump();
        if (cols == 80) {
            EXPECT_EQ(game.screen().cursor_row(), esperado::linha_da_opcao);
        }
    }
    // Narrower than 39: no move is made, every text follows the one before from (0, 0).
    Game game(at_width(38));
    ASSERT_TRUE(menu_is_drawn(game));
    std::string first = (esperado::menu[0].texto + esperado::menu[1].texto).substr(0, 38);
    first.erase(first.find_last_not_of(' ') + 1);
    EXPECT_EQ(game.screen().line(0), first) << game.screen().dump();
    EXPECT_EQ(game.screen().find(esperado::avisos_do_menu[0].texto).second, 0);
}

// The menu follows the window. Started in 24 rows, its first rows scrolled off, it shows whole as
// soon as the window has 30; widened with an option half-typed, it is centred on the new width
// with the option still on its line, where Enter takes it.
TEST(Menu, AResizedWindowShowsTheMenuDrawnAgainForItsSize) {
    Game game({.rows = 24, .cols = 80});
    ASSERT_TRUE(menu_is_drawn(game));
    const int row = esperado::linha_da_opcao;
    const auto drawn_for = [&](int cols, const std::string& typed) {
        return game.wait_until(
            [&] {
                const Emulator& s = game.screen();
                return s.cols() == cols && row_faults(s, esperado::menu_na_largura(cols)) == "" &&
                       s.line(row) == typed && s.cursor_row() == row &&
                       s.cursor_col() == static_cast<int>(typed.size());
            },
            milliseconds{2000});
    };
    for (const auto& [cols, typed] : {std::pair{80, ""}, std::pair{110, "2"}}) {
        const auto resized = Clock::now();
        game.resize(30, cols);
        const auto at = drawn_for(cols, typed);
        ASSERT_TRUE(at) << "width " << cols << "\n" << game.screen().dump();
        std::printf("30x%d: the menu drawn again %ld ms after the resize\n", cols,
                    static_cast<long>((*at - resized) / milliseconds{1}));
        if (*typed) continue;
        game.type("2");
        ASSERT_TRUE(game.wait_until([&] { return game.screen().line(row) == "2"; }, step_timeout));
    }
    game.type("\r");
    EXPECT_TRUE(shows(game, esperado::titulo(esperado::regras)));
}

// The bytes the game wrote until the menu's warning was on screen, in a locale given by `env`.
std::string menu_bytes(const std::vector<std::string>& env) {
    Game game({.env = env});
    // What follows the accented letter, which a one-byte locale's bytes do not show in UTF-8.
    const std::string& warning = esperado::aviso_do_menu;
    if (!game.wait_for_text(warning.substr(warning.find("ã") + 2), step_timeout)) return {};
    return game.output();
}

// "serão" reaches the terminal as UTF-8 unless the locale's codeset is a one-byte Latin one:
// the C locale (common over ssh and in containers) gets UTF-8 too; ISO-8859-1 gets 0xE3.
TEST(Menu, TheOneAccentedLetterInTheTerminalsEncoding) {
    const std::string& warning = esperado::aviso_do_menu;
    const int accent = static_cast<int>(warning.find("ã")); // the letters before it are ASCII
    {
        Game game(at_width(80));
        ASSERT_TRUE(menu_is_drawn(game));
        ASSERT_EQ(game.screen().find(warning), std::make_pair(24, 0)) << game.screen().dump();
        EXPECT_EQ(game.screen().cell(24, accent).text, "ã");
        EXPECT_EQ(game.screen().cell(24, accent + 1).text, warning.substr(accent + 2, 1));
    }
    for (const char* c : {"C", "POSIX"}) {
        const std::string all = menu_bytes({std::string("LANG=") + c, std::string("LC_ALL=") + c});
        EXPECT_NE(all.find(warning), std::string::npos) << c;
    }
    // A Latin-1 locale of our own, as the system has none.
    char folder[] = "/tmp/quirelo-locale-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string locale = "pt_BR.ISO-8859-1";
    const std::string make = "localedef -i pt_BR -c -f ISO-8859-1 " + std::string(folder) + "/" +
                             locale + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string all =
        menu_bytes({"LOCPATH=" + std::string(folder), "LANG=" + locale, "LC_ALL=" + locale});
    std::system(("rm -rf " + std::string(folder)).c_str());
    std::string latin1 = warning;
    latin1.replace(static_cast<std::size_t>(accent), 2, "\xe3");
    EXPECT_NE(all.find(latin1), std::string::npos);
    EXPECT_EQ(all.find("\xc3\xa3"), std::string::npos);
}

// A wrong option: the red message a line below the typed one, then the whole menu again.
TEST(Menu, AnInvalidOptionIsShownInRedThenTheMenuComesBack) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("7\r");
    const auto& invalid = esperado::opcao_invalida;
    ASSERT_TRUE(shows(game, invalid.texto));
    EXPECT_EQ(row_faults(game.screen(), {{esperado::linha_da_opcao, "7", esperado::normal},
                                         {esperado::linha_da_opcao + 1, "", esperado::normal},
                                         invalid}),
              "");
    ASSERT_TRUE(
        game.wait_until([&] { return !game.screen().contains(invalid.texto); }, step_timeout));
    ASSERT_TRUE(menu_is_drawn(game)) << game.screen().dump();
    EXPECT_EQ(game.screen().line(esperado::linha_da_opcao), "");
}

// Option 2: the rules with their coloured banners and palette, the key prompt, and after any
// key the menu again; an arrow key is one key press, and none of its bytes reach the menu.
TEST(Menu, RulesScreenThenAnArrowKeyIsOneKeyPress) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("2\r");
    ASSERT_TRUE(shows(game, esperado::tecla));
    EXPECT_EQ(row_faults(game.screen(), esperado::regras), "") << game.screen().dump();

    game.type("\033[A");
    ASSERT_TRUE(menu_is_drawn(game)) << game.screen().dump();
    bool invalid = false;
    game.type("3\r");
    ASSERT_TRUE(game.wait_until(
        [&] {
            invalid = invalid || game.screen().contains(esperado::opcao_invalida.texto);
            return game.screen().contains(esperado::titulo(esperado::creditos));
        },
        step_timeout))
        << game.screen().dump();
    EXPECT_FALSE(invalid) << "bytes of the arrow key reached the menu's read";
}

// An option typed ahead on the same line waits for the menu after the key press: "2 3" shows
// the rules, and after a key the credits at once, without the menu waiting for a line.
TEST(Menu, AnOptionTypedAheadIsTakenByTheNextMenu) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("2 3\r");
    ASSERT_TRUE(shows(game, esperado::tecla));
    EXPECT_TRUE(game.screen().contains(esperado::titulo(esperado::regras))) << game.screen().dump();
    game.type("x");
    ASSERT_TRUE(shows(game, esperado::titulo(esperado::creditos)));
    ASSERT_TRUE(shows(game, esperado::tecla));
}

// Option 3: the credits, the key prompt, and the menu again after a key.
TEST(Menu, CreditsScreenThenTheMenuAgain) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("3\r");
    ASSERT_TRUE(shows(game, esperado::tecla));
    const Emulator& s = game.screen();
    EXPECT_EQ(row_faults(s, esperado::creditos), "") << s.dump();
    game.type("x");
    ASSERT_TRUE(menu_is_drawn(game)) << s.dump();
    EXPECT_EQ(s.line(esperado::linha_da_opcao), "")
        << "the key pressed stays out of the menu's read";
}

struct Typing {
    const char* name;
    std::vector<std::string> keys; // typed with a pause after each, as a player types
    std::string shown;             // the row where the menu's typing shows, afterwards
    int cursor_col;
};

void PrintTo(const Typing& t, std::ostream* os) {
    *os << t.name;
}

class TypingAtTheMenu : public ::testing::TestWithParam<Typing> {};

// The echo shows what the line holds, however many columns its characters take and however
// many rows it wraps onto; a lone Esc is no key. A line that shows empty takes the next "2" as
// the rules.
TEST_P(TypingAtTheMenu, TheScreenShowsWhatTheLineHolds) {
    const Typing& t = GetParam();
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    for (const std::string& keys : t.keys) {
        game.type(keys);
        game.wait_until([] { return false; }, milliseconds{150});
    }
    const Emulator& s = game.screen();
    const int row = esperado::linha_da_opcao;
    EXPECT_EQ(s.line(row), t.shown) << s.dump();
    EXPECT_EQ(s.line(row + 1), "") << s.dump();
    EXPECT_EQ(std::make_pair(s.cursor_row(), s.cursor_col()), std::make_pair(row, t.cursor_col));
    if (!t.shown.empty()) return;
    game.type("2\r");
    EXPECT_TRUE(shows(game, esperado::titulo(esperado::regras)));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TypingAtTheMenu,
    ::testing::Values(Typing{"WideThenBackspace", {"\U0001F600", "\x7f"}, "", 0},
                      Typing{"TwoWideThenBackspace", {"\u65e5\u672c", "\x7f"}, "\u65e5", 2},
                      Typing{"TwoWideThenCtrlW", {"\u65e5\u672c", "\x17"}, "", 0},
                      Typing{"CombiningMarkThenBackspace", {"e\u0301", "\x7f"}, "", 0},
                      Typing{"WrappedLineThenCtrlU", {std::string(100, '7'), "\x15"}, "", 0},
                      Typing{"LoneEsc", {"\033"}, "", 0}),
    [](const ::testing::TestParamInfo<Typing>& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
