// Tests of the Windows backend on a real console (Windows, or wine in a pseudo-terminal): what
// the clears, schemes and cursor moves leave in the console's cells.
#include "console/terminal.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

HANDLE saida() {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

CONSOLE_SCREEN_BUFFER_INFO info() {
    CONSOLE_SCREEN_BUFFER_INFO i{};
    GetConsoleScreenBufferInfo(saida(), &i);
    return i;
}

WORD atributo(int coluna, int linha) {
    WORD a = 0;
    DWORD n = 0;
    ReadConsoleOutputAttribute(saida(), &a, 1, COORD{SHORT(coluna), SHORT(linha)}, &n);
    return a;
}

wchar_t caractere(int coluna, int linha) {
    wchar_t c = 0;
    DWORD n = 0;
    ReadConsoleOutputCharacterW(saida(), &c, 1, COORD{SHORT(coluna), SHORT(linha)}, &n);
    return c;
}

// Every cell of the buffer, scroll-back included, has this attribute.
bool todas_as_celulas(WORD esperado) {
    const CONSOLE_SCREEN_BUFFER_INFO i = info();
    const DWORD celulas = DWORD(i.dwSize.X) * DWORD(i.dwSize.Y);
    std::vector<WORD> atributos(celulas);
    DWORD n = 0;
    ReadConsoleOutputAttribute(saida(), atributos.data(), celulas, COORD{0, 0}, &n);
    if (n != celulas) return false;
    for (WORD a : atributos)
        if ((a & 0xFF) != esperado) return false;
    return true;
}

class ConsoleWindows : public testing::Test {
  protected:
    void SetUp() override {
        DWORD modo = 0;
        if (!GetConsoleMode(saida(), &modo)) GTEST_SKIP() << "standard output is not a console";
        static const bool iniciado = (terminal_iniciar(), true);
        (void)iniciado;
        terminal_definir_esquema("07");
        terminal_limpar();
    }
};

} // namespace

TEST_F(ConsoleWindows, EsquemaRecoloreTodasAsCelulasComOTextoJaEscrito) {
    terminal_escrever("Cor:1");
    terminal_definir_esquema("4F");
    EXPECT_TRUE(todas_as_celulas(0x4F));
    EXPECT_EQ(caractere(0, 0), L'C'); // the text stays, in the new colours
    EXPECT_EQ(caractere(4, 0), L'1');
    terminal_definir_esquema("07");
    EXPECT_TRUE(todas_as_celulas(0x07));
    EXPECT_EQ(caractere(4, 0), L'1');
}

TEST_F(ConsoleWindows, LimparPreencheComOEsquemaEVoltaAoInicio) {
    terminal_definir_esquema("1F");
    terminal_escrever("GOOOOOOO!\nmais uma linha");
    terminal_limpar();
    EXPECT_TRUE(todas_as_celulas(0x1F));
    EXPECT_EQ(caractere(0, 0), L' ');
    EXPECT_EQ(caractere(0, 1), L' ');
    EXPECT_EQ(info().dwCursorPosition.X, 0);
    EXPECT_EQ(info().dwCursorPosition.Y, 0);
    terminal_escrever("Cor:2");
    terminal_dormir(0);
    EXPECT_EQ(atributo(0, 0), 0x1F); // text after the clear is in the scheme
}

TEST_F(ConsoleWindows, CursorLarguraEUtf8) {
    const CONSOLE_SCREEN_BUFFER_INFO i = info();
    EXPECT_EQ(terminal_largura(), i.srWindow.Right - i.srWindow.Left + 1);
    terminal_mover_cursor(5, 20);
    terminal_escrever("serão");
    terminal_dormir(0);
    EXPECT_EQ(caractere(20, 5), L's');
    EXPECT_EQ(caractere(23, 5), L'\u00E3');
    EXPECT_EQ(caractere(24, 5), L'o');
    terminal_mover_cursor(2, -1); // refused as a whole
    terminal_escrever("X");
    terminal_dormir(0);
    EXPECT_EQ(caractere(25, 5), L'X');
}
