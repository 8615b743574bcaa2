// Tests of the Windows backend on a real console (Windows, or wine in a pseudo-terminal): what
// the clears, schemes and cursor moves leave in the console's cells.
#include "console/console.h"
#include "console/terminal.h"
#include "console/windows/windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

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

HANDLE entrada() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

INPUT_RECORD tecla(wchar_t caractere, WORD codigo, bool desce) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = desce;
    r.Event.KeyEvent.wRepeatCount = 1;
    r.Event.KeyEvent.wVirtualKeyCode = codigo;
    r.Event.KeyEvent.uChar.UnicodeChar = caractere;
    return r;
}

void pressionar(const std::vector<INPUT_RECORD>& teclas) {
    DWORD n = 0;
    WriteConsoleInputW(entrada(), teclas.data(), DWORD(teclas.size()), &n);
}

// Each character typed as a key going down and up, as the player's keyboard gives them.
void digitar(std::wstring_view texto) {
    std::vector<INPUT_RECORD> teclas;
    for (wchar_t c : texto) {
        WORD codigo = c < 0x80 ? WORD(c) : WORD(0); // digits and the space are their own code
        if (c >= L'a' && c <= L'z') codigo = WORD(c - L'a' + 'A');
        if (c == L'\r') codigo = VK_RETURN;
        teclas.push_back(tecla(c, codigo, true));
        teclas.push_back(tecla(c, codigo, false));
    }
    pressionar(teclas);
}

// The console mode of a handle, 0 when it is no console.
DWORD modo(HANDLE console) {
    DWORD m = 0;
    GetConsoleMode(console, &m);
    return m;
}

bool e_console() {
    return modo(saida()) != 0;
}

// The player's console in its own colours: every cell, and the text to come.
void pintar(WORD atributo) {
    const CONSOLE_SCREEN_BUFFER_INFO i = info();
    DWORD n = 0;
    FillConsoleOutputAttribute(saida(), atributo, DWORD(i.dwSize.X) * DWORD(i.dwSize.Y),
                               COORD{0, 0}, &n);
    SetConsoleTextAttribute(saida(), atributo);
}

// The console taken once for the whole program, as the game does.
void iniciar_uma_vez() {
    static const bool iniciado = (terminal_iniciar(), true);
    (void)iniciado;
}

class ConsoleWindows : public testing::Test {
  protected:
    void SetUp() override {
        if (!e_console()) GTEST_SKIP() << "standard output is not a console";
        iniciar_uma_vez();
        definir_esquema("07");
        limpar_tela();
        FlushConsoleInputBuffer(entrada());
    }
};

} // namespace

// First: the start, on a console in the player's blue, code page 850, QuickEdit on. The screens'
// own light grey on black is in every cell, and whatever the test of VT codes printed is gone,
// the cursor back in place; QuickEdit is off, the code page stays.
TEST(InicioDoConsole, EsquemaNormalEmTodasAsCelulasENadaDoTesteDeVt) {
    if (!e_console()) GTEST_SKIP() << "standard output is not a console";
    pintar(0x1E);
    const COORD cursor = info().dwCursorPosition;
    SetConsoleOutputCP(850);
    SetConsoleMode(entrada(), 0x1F7); // conhost's: QuickEdit, insert, line editing and echo
    iniciar_uma_vez();
    EXPECT_EQ(modo(entrada()) & (ENABLE_QUICK_EDIT_MODE | ENABLE_EXTENDED_FLAGS),
              ENABLE_EXTENDED_FLAGS);
    EXPECT_EQ(GetConsoleOutputCP(), 850u);
    EXPECT_TRUE(todas_as_celulas(0x07));
    EXPECT_EQ(info().dwCursorPosition.X, cursor.X);
    EXPECT_EQ(info().dwCursorPosition.Y, cursor.Y);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(caractere(cursor.X + i, cursor.Y), L' ') << "column " << cursor.X + i;
}

// Leaving in a flash at the end of input (in a child process on the same console): every cell in
// the player's own colours again, and the modes as they were found, QuickEdit on.
TEST(FimDoConsole, CadaCelulaVoltaAsCoresDoJogador) {
    if (!e_console()) GTEST_SKIP() << "standard output is not a console";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    pintar(0x1E);
    SetConsoleMode(entrada(), 0x1F7); // conhost's: QuickEdit, insert, line editing and echo
    const DWORD modo_antes = modo(saida());
    EXPECT_EXIT(
        {
            terminal_iniciar();
            definir_esquema("4F");
            escrever("Cor:1");
            digitar(L"\x1A\r");
            for (std::string pedaco; terminal_ler_entrada(pedaco);) {
            }
            terminal_encerrar(3);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_TRUE(todas_as_celulas(0x1E));
    EXPECT_EQ(modo(saida()), modo_antes);
    EXPECT_EQ(modo(entrada()), 0x1F7u);
}

// The VT path, run on wine's console, which shows the codes as text: what it writes, read back
// from the cells, is what redirected output gets for the same screens, with the console's
// scroll-back erased after each erase of the screen; leaving gives the console back.
TEST(SaidaVt, OsBytesDaSaidaRedirecionadaEOConsoleDevolvido) {
    if (!e_console()) GTEST_SKIP() << "standard output is not a console";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // One file for this test and its children, which run it again from its start.
    char pasta[MAX_PATH];
    const std::string arquivo = std::string(pasta, GetTempPathA(MAX_PATH, pasta)) + "saida_vt";
    const DWORD modo_antes = modo(saida());
    for (const bool console : {false, true}) {
        pintar(0x1E);
        EXPECT_EXIT(
            {
                if (!console)
                    SetStdHandle(STD_OUTPUT_HANDLE,
                                 CreateFileA(arquivo.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, 0, nullptr));
                iniciar_saida(console);
                definir_esquema("07");
                escrever("Cor:1 s\xC3\xA3o");
                limpar_tela();
                definir_esquema("4F");
                terminal_mover_cursor(2, [](int) { return 5; });
                escrever("\033[31mX\033[0mY");
                terminal_encerrar(3);
            },
            testing::ExitedWithCode(3), "");
    }
    std::string vt{std::istreambuf_iterator<char>(std::ifstream(arquivo, std::ios::binary).rdbuf()),
                   {}};
    DeleteFileA(arquivo.c_str());
    // Leaving, the redirected output alone gets the terminal's own colours back with SGR 0.
    ASSERT_TRUE(vt.ends_with("\033[0m")) << vt;
    vt.resize(vt.size() - 4);
    for (auto em = vt.find("\033[2J"); em != std::string::npos; em = vt.find("\033[2J", em + 1))
        vt.insert(em + 4, "\033[3J");
    std::wstring esperado(vt.size(), L'\0'), celulas(DWORD(info().dwSize.X) * info().dwSize.Y, 0);
    esperado.resize(MultiByteToWideChar(CP_UTF8, 0, vt.data(), int(vt.size()), esperado.data(),
                                        int(vt.size())));
    DWORD n = 0;
    ReadConsoleOutputCharacterW(saida(), celulas.data(), DWORD(celulas.size()), COORD{0, 0}, &n);
    EXPECT_NE(esperado.find(L"Y"), std::wstring::npos) << vt;
    EXPECT_NE(celulas.find(esperado), std::wstring::npos) << vt;
    EXPECT_TRUE(todas_as_celulas(0x1E));
    EXPECT_EQ(modo(saida()), modo_antes);
}

TEST_F(ConsoleWindows, EsquemaRecoloreTodasAsCelulasComOTextoJaEscrito) {
    escrever("Cor:1");
    definir_esquema("4F");
    EXPECT_TRUE(todas_as_celulas(0x4F));
    EXPECT_EQ(caractere(0, 0), L'C'); // the text stays, in the new colours
    EXPECT_EQ(caractere(4, 0), L'1');
    definir_esquema("07");
    EXPECT_TRUE(todas_as_celulas(0x07));
    EXPECT_EQ(caractere(4, 0), L'1');
}

TEST_F(ConsoleWindows, LimparPreencheComOEsquemaEVoltaAoInicio) {
    definir_esquema("1F");
    escrever("GOOOOOOO!\nmais uma linha");
    limpar_tela();
    EXPECT_TRUE(todas_as_celulas(0x1F));
    EXPECT_EQ(caractere(0, 0), L' ');
    EXPECT_EQ(caractere(0, 1), L' ');
    EXPECT_EQ(info().dwCursorPosition.X, 0);
    EXPECT_EQ(info().dwCursorPosition.Y, 0);
    escrever("Cor:2");
    esperar(0);
    EXPECT_EQ(atributo(0, 0), 0x1F); // text after the clear is in the scheme
}

TEST_F(ConsoleWindows, CursorLarguraEUtf8) {
    const CONSOLE_SCREEN_BUFFER_INFO i = info();
    EXPECT_EQ(largura_da_janela(), i.srWindow.Right - i.srWindow.Left + 1);
    terminal_mover_cursor(5, [](int) { return 20; });
    escrever("serão");
    esperar(0);
    EXPECT_EQ(caractere(20, 5), L's');
    EXPECT_EQ(caractere(23, 5), L'\u00E3');
    EXPECT_EQ(caractere(24, 5), L'o');
    terminal_mover_cursor(2, [](int) { return -1; }); // refused as a whole
    escrever("X");
    esperar(0);
    EXPECT_EQ(caractere(25, 5), L'X');
}

// A window made narrower: the next wait draws the screen again, the centred row centred on the
// new width, the line the console echoed where it was.
TEST_F(ConsoleWindows, JanelaNovaRedesenhadaNaProximaEspera) {
    const auto bloco = [](int largura) { return (largura - 40) / 2; };
    limpar_tela();
    terminal_mover_cursor(5, bloco);
    escrever("X\nDigite:");
    digitar(L"3\r");
    std::string pedaco;
    ASSERT_TRUE(terminal_ler_entrada(pedaco));
    esperar(0);
    const CONSOLE_SCREEN_BUFFER_INFO antes = info();
    const int largura = antes.srWindow.Right - antes.srWindow.Left + 1;
    ASSERT_EQ(caractere(bloco(largura), 5), L'X');
    const SMALL_RECT estreita{0, 0, SHORT(largura - 21),
                              SHORT(antes.srWindow.Bottom - antes.srWindow.Top)};
    if (!SetConsoleWindowInfo(saida(), TRUE, &estreita))
        GTEST_SKIP() << "this console keeps its window's size (" << GetLastError() << ")";
    esperar(1);
    EXPECT_EQ(caractere(bloco(largura - 20), 5), L'X');
    EXPECT_EQ(caractere(bloco(largura), 5), L' ');
    EXPECT_EQ(caractere(7, 6), L'3') << "the echoed line";
}

TEST_F(ConsoleWindows, LinhaDoConsoleEmUtf8ComSoOFimDeLinha) {
    digitar(L"12 s\u00E3o \U0001F600\r");
    std::string pedaco;
    ASSERT_TRUE(terminal_ler_entrada(pedaco));
    EXPECT_EQ(pedaco, "12 s\xC3\xA3o \xF0\x9F\x98\x80\n");
    digitar(L"1 2\r3\r");
    ASSERT_TRUE(terminal_ler_entrada(pedaco));
    EXPECT_EQ(pedaco, "1 2\n");
    ASSERT_TRUE(terminal_ler_entrada(pedaco));
    EXPECT_EQ(pedaco, "3\n");
    limpar_tela(); // the console's echo of the lines is wiped too
    EXPECT_EQ(caractere(0, 0), L' ');
}

TEST_F(ConsoleWindows, EsperaDeTeclaPegaUmaTeclaNovaEDeixaAsDigitadasAntes) {
    digitar(L"3"); // typed before the prompt: it stays for the next read
    // The keys are pressed once the wait has begun, that is once it has taken the '3' aside:
    // wine's console may take a moment to show events written to it, and a loaded machine to
    // begin the wait.
    const auto eventos = [] {
        DWORD n = 0;
        GetNumberOfConsoleInputEvents(entrada(), &n);
        return n;
    };
    for (int i = 0; i < 500 && eventos() < 2; ++i)
        Sleep(10);
    std::thread jogador([&eventos] {
        for (int i = 0; i < 500 && eventos() > 0; ++i)
            Sleep(10);
        pressionar({tecla(0, VK_SHIFT, true), tecla(0, VK_SHIFT, false), tecla(L'x', 'X', true),
                    tecla(L'x', 'X', false)});
    });
    terminal_esperar_tecla();
    jogador.join();
    digitar(L"\r");
    std::string pedaco;
    ASSERT_TRUE(terminal_ler_entrada(pedaco));
    EXPECT_EQ(pedaco, "3\n"); // neither the Shift nor the 'x' that ended the wait
}

// The sleeps keep one schedule: twenty of 10 ms, each after 1 ms of drawing, end 201 ms after the
// first drawing began, not 220 (give or take one sleep woken so late, on a loaded machine, that
// the next begins a schedule of its own).
TEST(Sonos, VinteSonosComDesenhoEntreElesDuramOQueSomam) {
    using relogio = std::chrono::steady_clock;
    const auto inicio = relogio::now();
    for (int i = 0; i < 20; ++i) {
        for (const auto desenhado = relogio::now() + std::chrono::milliseconds(1);
             relogio::now() < desenhado;) {
        }
        esperar(10);
    }
    const std::chrono::duration<double, std::milli> total = relogio::now() - inicio;
    EXPECT_NEAR(total.count(), 201, 9);
}

// Last: the input stays ended for the rest of the program.
TEST_F(ConsoleWindows, CtrlZEncerraAEntrada) {
    digitar(L"7\x1A\r");
    std::string pedaco;
    ASSERT_TRUE(terminal_ler_entrada(pedaco));
    EXPECT_EQ(pedaco, "7");
    EXPECT_FALSE(terminal_ler_entrada(pedaco));
    EXPECT_TRUE(pedaco.empty());
}
