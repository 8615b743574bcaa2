// End to end: the main menu at several widths, its text encoding, and the screens it opens.
#include "pty_vterm.h"
#include "robot.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>

namespace e2e {
namespace {

struct MenuLine {
    int row;
    std::u32string text;
    int fg;
};

// The menu block as the player should see it: each text and its colour.
const std::vector<MenuLine> menu_lines = {
    {2, U"          *        .        *", ansi::cyan},
    {3, U"     .        .         .        .", ansi::cyan},
    {5, U"========================================", ansi::cyan},
    {6, U"         Q U I R E L O   Z A V", ansi::cyan},
    {7, U"              T U N I X", ansi::cyan},
    {8, U"========================================", ansi::cyan},
    {10, U"     .        .         .        .", ansi::cyan},
    {11, U"          *        .        *", ansi::cyan},
    {14, U"[ 1 ] COMECAR JOGO", ansi::green},
    {16, U"[ 2 ] REGRAS", ansi::yellow},
    {18, U"[ 3 ] CREDITOS", ansi::red},
    {20, U"========================================", ansi::cyan},
    {22, U"Opcao: ", ansi::white},
};

struct Expected {
    char32_t ch;
    int fg;
};

// Where a terminal `cols` wide puts the menu: each line at the block column of its row, or,
// when that column is negative, right where the cursor stood (wrapping at the right edge);
// then the two warnings from the start of the next line. Returns the cells and the cursor.
std::map<std::pair<int, int>, Expected> lay_out_menu(int cols, int& end_row, int& end_col) {
    std::map<std::pair<int, int>, Expected> cells;
    const int block = (cols - 40) / 2;
    int row = 0, col = 0;
    auto put = [&](char32_t ch, int fg) {
        if (ch == U'\n') {
            row += 1;
            col = 0;
            return;
        }
        if (col == cols) { // a write past the last column wraps first
            row += 1;
            col = 0;
        }
        cells[{row, col}] = {ch, fg}; // a space overwrites too
        col += 1;
    };
    for (const MenuLine& line : menu_lines) {
        if (block >= 0) {
            row = line.row;
            col = block;
        }
        for (char32_t ch : line.text)
            put(ch, line.fg);
    }
    for (char32_t ch : std::u32string(U"\nATENCAO: serao aceitos apenas numeros.\n"
                                      U"Letras ou numeros diferentes serão considerados errados."
                                      U"\n\n"))
        put(ch, ansi::white);
    end_row = row;
    end_col = col;
    return cells;
}

std::string utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

Options at_width(int cols) {
    Options options;
    options.program = game_program();
    options.cols = cols;
    return options;
}

bool menu_is_drawn(Game& game) {
    return game
        .wait_until(
            [&] { return game.screen().contains("errados.") && game.screen().cursor_col() == 0; },
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

    int end_row = 0, end_col = 0;
    const auto expected = lay_out_menu(cols, end_row, end_col);
    int faults = 0;
    for (int row = 0; row < screen.rows(); ++row) {
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            const auto it = expected.find({row, col});
            const std::string want = it == expected.end() ? " " : utf8(it->second.ch);
            bool ok = c.shown() == want && c.bg.is_index(ansi::black);
            if (want != " ") ok = ok && c.fg.is_index(it->second.fg);
            if (!ok && faults++ < 5)
                ADD_FAILURE() << "cell " << row << "," << col << " is '" << c.shown() << "' fg "
                              << describe(c.fg) << " bg " << describe(c.bg) << ", should be '"
                              << want << "'";
        }
    }
    EXPECT_EQ(faults, 0) << screen.dump();
    EXPECT_EQ(screen.cursor_row(), end_row);
    EXPECT_EQ(screen.cursor_col(), end_col);
}

INSTANTIATE_TEST_SUITE_P(Widths, MenuAtWidth, ::testing::Values(80, 120, 39, 38));

// The same placements said plainly, so that a wrong layout model cannot hide a wrong menu.
TEST(Menu, BlockColumnAndWarningsAtTheWidthsThatMatter) {
    {
        Game game(at_width(80));
        ASSERT_TRUE(menu_is_drawn(game));
        EXPECT_EQ(game.screen().find("[ 1 ] COMECAR JOGO"), std::make_pair(14, 20));
        EXPECT_EQ(game.screen().find("Q U I R E L O"), std::make_pair(6, 29));
        EXPECT_EQ(game.screen().find("Opcao:"), std::make_pair(22, 20));
        EXPECT_EQ(game.screen().line(23), "ATENCAO: serao aceitos apenas numeros.");
        EXPECT_EQ(game.screen().line(24),
                  "Letras ou numeros diferentes serão considerados errados.");
        EXPECT_EQ(game.screen().cursor_row(), 26);
    }
    {
        Game game(at_width(120));
        ASSERT_TRUE(menu_is_drawn(game));
        EXPECT_EQ(game.screen().find("[ 3 ] CREDITOS"), std::make_pair(18, 40));
        EXPECT_EQ(game.screen().find("ATENCAO"), std::make_pair(23, 0));
    }
    {
        Game game(at_width(39));
        ASSERT_TRUE(menu_is_drawn(game));
        EXPECT_EQ(game.screen().find("[ 2 ] REGRAS"), std::make_pair(16, 0));
        EXPECT_EQ(game.screen().find("ATENCAO"), std::make_pair(23, 0));
    }
    {
        // Narrower than 39: no move is made, every text follows the one before from (0, 0).
        Game game(at_width(38));
        ASSERT_TRUE(menu_is_drawn(game));
        EXPECT_EQ(game.screen().line(0), "          *        .        *     .")
            << game.screen().dump();
        EXPECT_EQ(game.screen().find("ATENCAO").second, 0);
    }
}

// The bytes the game wrote until "errados." was on screen, in a locale given by `env`.
std::string menu_bytes(const std::vector<std::string>& env) {
    Options options = at_width(80);
    options.env = env;
    Game game(options);
    if (!game.wait_for_text("considerados errados.", step_timeout)) return {};
    std::string all;
    for (const Chunk& chunk : game.output())
        all += chunk.bytes;
    return all;
}

// "serão" reaches the terminal as UTF-8 unless the locale's codeset is a one-byte Latin one:
// the C locale (common over ssh and in containers) gets UTF-8 too; ISO-8859-1 gets 0xE3.
TEST(Menu, TheOneAccentedLetterInTheTerminalsEncoding) {
    {
        Game game(at_width(80));
        ASSERT_TRUE(menu_is_drawn(game));
        const auto [row, col] = game.screen().find("serão");
        ASSERT_EQ(row, 24) << game.screen().dump();
        EXPECT_EQ(game.screen().cell(row, col + 3).text, "\u00e3");
        EXPECT_EQ(game.screen().cell(row, col + 4).text, "o");
    }
    for (const char* c : {"C", "POSIX"}) {
        const std::string all = menu_bytes({std::string("LANG=") + c, std::string("LC_ALL=") + c});
        EXPECT_NE(all.find("ser\xc3\xa3o "), std::string::npos) << c;
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
    EXPECT_NE(all.find("ser\xe3o "), std::string::npos);
    EXPECT_EQ(all.find("\xc3\xa3"), std::string::npos);
}

// A wrong option: the red message a line below the typed one, then the whole menu again.
TEST(Menu, AnInvalidOptionIsShownInRedThenTheMenuComesBack) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("7\r");
    ASSERT_TRUE(game.wait_for_text("Opcao invalida!", step_timeout)) << game.screen().dump();
    EXPECT_EQ(game.screen().line(26), "7");
    EXPECT_EQ(game.screen().line(27), "");
    EXPECT_EQ(join(row_faults(game.screen(), {{28, "Opcao invalida!", ansi::red}})), "");
    ASSERT_TRUE(
        game.wait_until([&] { return !game.screen().contains("Opcao invalida!"); }, step_timeout));
    ASSERT_TRUE(menu_is_drawn(game)) << game.screen().dump();
    EXPECT_EQ(game.screen().line(26), "");
}

const std::string rule(40, '=');

// Option 2: the rules with their coloured banners and palette, the key prompt, and after any
// key the menu again; an arrow key is one key press, and none of its bytes reach the menu.
TEST(Menu, RulesScreenThenAnArrowKeyIsOneKeyPress) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("2\r");
    ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar. . .", step_timeout))
        << game.screen().dump();
    const std::vector<Row> rules = {
        {0, rule, ansi::yellow},
        {1, "              REGRAS", ansi::yellow},
        {2, rule, ansi::yellow},
        {3, "", -1},
        {4, "1 - O jogo exibira uma sequencia de cores.", ansi::white},
        {5, "2 - No inicio, serao sorteadas 2 cores.", ansi::white},
        {6, "3 - Memorize a ordem em que as cores aparecem.", ansi::white},
        {7, "4 - Depois, voce devera repetir a sequencia correta.", ansi::white},
        {8, "5 - A cada rodada, 1 nova cor sera adicionada.", ansi::white},
        {9, "6 - A sequencia ficara cada vez maior e mais dificil.", ansi::white},
        {10, "7 - Se voce errar a ordem das cores, o jogo termina.", ansi::white},
        {11, "", -1},
        {12, rule, ansi::yellow},
        {13, "           TABELA DE CORES", ansi::yellow},
        {14, rule, ansi::yellow},
        {15, "", -1},
        {16, "1 - vermelho", ansi::red},
        {17, "2 - Azul", ansi::blue},
        {18, "3 - Verde", ansi::green},
        {19, "4 - Amarelo", ansi::yellow},
        {20, "5 - Roxo", ansi::magenta},
        {21, "6 - Ciano", ansi::cyan},
        {22, "Pressione qualquer tecla para continuar. . .", -1},
    };
    EXPECT_EQ(join(row_faults(game.screen(), rules)), "") << game.screen().dump();

    game.type("\033[A");
    ASSERT_TRUE(menu_is_drawn(game)) << game.screen().dump();
    bool invalid = false;
    game.type("3\r");
    ASSERT_TRUE(game.wait_until(
        [&] {
            invalid = invalid || game.screen().contains("Opcao invalida!");
            return game.screen().contains("CREDITOS");
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
    ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar. . .", step_timeout));
    EXPECT_TRUE(game.screen().contains("REGRAS")) << game.screen().dump();
    game.type("x");
    ASSERT_TRUE(game.wait_for_text("CREDITOS", step_timeout)) << game.screen().dump();
    ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar. . .", step_timeout));
}

// Option 3: the credits, the key prompt, and the menu again after a key.
TEST(Menu, CreditsScreenThenTheMenuAgain) {
    Game game(at_width(80));
    ASSERT_TRUE(menu_is_drawn(game));
    game.type("3\r");
    ASSERT_TRUE(game.wait_for_text("Pressione qualquer tecla para continuar. . .", step_timeout))
        << game.screen().dump();
    const Emulator& s = game.screen();
    EXPECT_EQ(join(row_faults(s, {{0, rule, ansi::red},
                                  {1, "             CREDITOS", ansi::red},
                                  {2, rule, ansi::red},
                                  {3, "", -1},
                                  {6, "", -1},
                                  {7, "Pressione qualquer tecla para continuar. . .", -1}})),
              "")
        << s.dump();
    for (int row : {4, 5}) {
        EXPECT_NE(s.line(row), "") << "an author's name on row " << row;
        EXPECT_TRUE(s.cell(row, 0).fg.is_index(ansi::white)) << describe(s.cell(row, 0).fg);
    }
    game.type("x");
    ASSERT_TRUE(menu_is_drawn(game)) << s.dump();
    EXPECT_EQ(s.line(26), "") << "the key pressed stays out of the menu's read";
}

struct Typing {
    const char* name;
    std::vector<std::string> keys; // typed with a pause after each, as a player types
    std::string shown;             // row 26, where the menu's typing shows, afterwards
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
    EXPECT_EQ(s.line(26), t.shown) << s.dump();
    EXPECT_EQ(s.line(27), "") << s.dump();
    EXPECT_EQ(std::make_pair(s.cursor_row(), s.cursor_col()), std::make_pair(26, t.cursor_col));
    if (!t.shown.empty()) return;
    game.type("2\r");
    EXPECT_TRUE(game.wait_for_text("              REGRAS", step_timeout)) << s.dump();
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
