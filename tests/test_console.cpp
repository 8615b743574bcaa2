// Unit tests of the console operations: the block column, the reads, and the line editor.
#include "console/comum/edicao_linha.h"
#include "console/console.h"
#include "tests/terminal_virtual.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ColunaDoBloco, LarguraDaJanela) {
    const std::pair<int, int> tabela[] = {{120, 40}, {81, 20}, {80, 20}, {42, 1},  {41, 0},
                                          {40, 0},   {39, 0},  {38, -1}, {20, -10}};
    for (auto [largura, coluna] : tabela)
        EXPECT_EQ(coluna_do_bloco(largura), coluna) << largura;
}

TEST(Centralizar, ColunaNegativaNaoMoveOCursor) {
    vt_reiniciar(38);
    escrever("abc");
    centralizar(5);
    escrever("X");
    EXPECT_EQ(vt_linha(0), "abcX");
    vt_reiniciar(39);
    centralizar(5);
    escrever("X");
    EXPECT_EQ(vt_linha(5), "X");
}

namespace {

// Reads numbers from the given input lines until it runs out; returns them.
std::vector<int> numeros_lidos(std::vector<std::string> linhas) {
    vt_reiniciar(80);
    vt_entrada(std::move(linhas));
    std::vector<int> lidos;
    try {
        for (;;)
            lidos.push_back(ler_numero());
    } catch (const fim_do_programa& fim) {
        EXPECT_EQ(fim.estado, 0);
    }
    return lidos;
}

using numeros = std::vector<int>;

} // namespace

TEST(LerNumero, SinaisZerosEBrancos) {
    EXPECT_EQ(numeros_lidos({"02\n", "+2\n", "-1\n"}), (numeros{2, 2, -1}));
    EXPECT_EQ(numeros_lidos({"\n", "   \n", " \t 3\n"}), (numeros{3}));
    EXPECT_EQ(numeros_lidos({"3 1\n"}), (numeros{3, 1}));
    EXPECT_EQ(numeros_lidos({"12"}), (numeros{12})) << "a last line without line feed";
}

TEST(LerNumero, ParaNoPrimeiroCaractereQueNaoContinua) {
    // 1abc gives 1; the abc left behind is then one entry that is not a number, gone with its line.
    EXPECT_EQ(numeros_lidos({"1abc\n", "4\n"}), (numeros{1, nao_numero, 4}));
    EXPECT_EQ(numeros_lidos({"1.5\n", "4\n"}), (numeros{1, nao_numero, 4}));
}

TEST(LerNumero, EntradaQueNaoENumeroDescartaORestoDaLinha) {
    EXPECT_EQ(numeros_lidos({"abc 5 6\n", "7\n"}), (numeros{nao_numero, 7}));
    EXPECT_EQ(numeros_lidos({"- 5\n", "+\n", "7\n"}), (numeros{nao_numero, nao_numero, 7}));
    EXPECT_EQ(numeros_lidos({"ção 5\n", "7\n"}), (numeros{nao_numero, 7}));
}

TEST(LerNumero, ForaDe32BitsNaoENumero) {
    EXPECT_EQ(numeros_lidos({"2147483647 -2147483648\n"}), (numeros{INT_MAX, INT_MIN}));
    EXPECT_EQ(numeros_lidos({"2147483648 5\n", "-2147483649\n", "99999999999999999999999\n"}),
              (numeros{nao_numero, nao_numero, nao_numero}));
    EXPECT_EQ(numeros_lidos({std::string(5000, '9') + "\n", "3\n"}), (numeros{nao_numero, 3}));
}

TEST(LerCaractere, PulaBrancosEDeixaORestoDaLinha) {
    vt_reiniciar(80);
    vt_entrada({"\n", "  sim\n", "nao\n"});
    EXPECT_EQ(ler_caractere(), 's');
    EXPECT_EQ(ler_numero(), nao_numero) << "im is left for the next read";
    EXPECT_EQ(ler_caractere(), 'n');
    EXPECT_EQ(ler_caractere(), 'a');
    EXPECT_EQ(ler_caractere(), 'o');
    EXPECT_THROW(ler_caractere(), fim_do_programa);
}

TEST(LerCaractere, LetraUtf8ETomadaInteira) {
    vt_reiniciar(80);
    vt_entrada({"ç2\n"});
    EXPECT_EQ(static_cast<unsigned char>(ler_caractere()), 0xC3);
    EXPECT_EQ(ler_numero(), 2);
}

namespace {

struct resultado_da_edicao {
    std::string linha, eco;
    passo_edicao ultimo;
};

resultado_da_edicao editar(std::string_view teclas) {
    edicao_linha e;
    resultado_da_edicao r{};
    for (char b : teclas) {
        r.ultimo = editar_byte(e, static_cast<unsigned char>(b), r.eco);
        if (r.ultimo != passo_edicao::continua) break;
    }
    r.linha = e.linha;
    return r;
}

} // namespace

TEST(EdicaoLinha, EnterTerminaALinhaEEcoa) {
    auto r = editar("3 1\r");
    EXPECT_EQ(r.ultimo, passo_edicao::linha_pronta);
    EXPECT_EQ(r.linha, "3 1\n");
    EXPECT_EQ(r.eco, "3 1\n");
}

TEST(EdicaoLinha, ApagarCaractereMesmoUtf8PalavraELinha) {
    EXPECT_EQ(editar("12\x7f"
                     "3\n")
                  .linha,
              "13\n");
    auto r = editar("aç\b\n");
    EXPECT_EQ(r.linha, "a\n");
    EXPECT_EQ(r.eco, "aç\b \b\n") << "one column erased for a two-byte letter";
    EXPECT_EQ(editar("1 22 333\x17\x17"
                     "4\n")
                  .linha,
              "1 4\n");
    EXPECT_EQ(editar("123\x15"
                     "4\n")
                  .linha,
              "4\n");
    EXPECT_EQ(editar("\x7f\x15\x17"
                     "5\n")
                  .linha,
              "5\n")
        << "erasing an empty line";
}

TEST(EdicaoLinha, SequenciasDeEscapeEControlesSaoIgnorados) {
    auto r = editar("1\033[A\033[1;5C\033OP\033x\x01"
                    "2\n");
    EXPECT_EQ(r.linha, "12\n");
    EXPECT_EQ(r.eco, "12\n");
    EXPECT_EQ(editar("\t7\n").linha, " 7\n");
}

TEST(EdicaoLinha, CtrlDSoNumaLinhaVaziaEFimDaEntrada) {
    EXPECT_EQ(editar("\x04").ultimo, passo_edicao::fim_da_entrada);
    auto r = editar("1\x04"
                    "2\n");
    EXPECT_EQ(r.ultimo, passo_edicao::linha_pronta);
    EXPECT_EQ(r.linha, "12\n");
}

namespace {

// Columns as a terminal's table gives them, for the characters below: a combining mark takes
// none, the CJK and emoji ranges two.
int colunas_de_teste(char32_t c) {
    if (c >= 0x300 && c < 0x370) return 0;
    return c >= 0x1100 ? 2 : 1;
}

} // namespace

TEST(EdicaoLinha, OEcoMostraOQueALinhaGuarda) {
    const std::string longa(100, '7');
    const struct {
        const char* nome;
        bool utf8;
        std::string teclas, linha, eco;
        std::string mostrada; // what a redraw shows of the line
    } casos[] = {
        {"a wide character erased whole", true, "\xF0\x9F\x98\x80\x7f\n", "\n",
         "\xF0\x9F\x98\x80\b\b  \b\b\n", ""},
        {"a combining mark erased with its base", true, "ae\xCC\x81\x7f\n", "a\n",
         "ae\xCC\x81\b \b\n", "a"},
        {"invalid UTF-8 kept, shown as a replacement", true, "\3032\n", "\3032\n",
         "\357\277\2752\n", "\357\277\2752"},
        {"one byte: a Latin-1 letter is one character", false, "1\xBA\x7f\n", "1\n", "1\xBA\b \b\n",
         "1"},
        {"one byte: a C1 control is shown as ?", false, "\2332\n", "\2332\n", "?2\n", "?2"},
        {"a wrapped line erased across its rows", true, longa + "\x15\n", "\n",
         longa + "\r\033[A" + std::string(100, ' ') + "\r\033[A\n", ""},
    };
    for (const auto& caso : casos) {
        edicao_linha e;
        e.forma = {caso.utf8, colunas_de_teste, 80};
        comecar_linha(e, 0);
        std::string eco;
        for (char b : caso.teclas)
            editar_byte(e, static_cast<unsigned char>(b), eco);
        EXPECT_EQ(e.linha, caso.linha) << caso.nome;
        EXPECT_EQ(eco, caso.eco) << caso.nome;
        EXPECT_EQ(linha_mostrada(e), caso.mostrada) << caso.nome;
    }
}

// A line drawn again on a window of another width: each character where the terminal now puts
// it, so that erasing it afterwards blanks the right cells. A wide character that does not fit
// at a row's end goes whole to the next row.
TEST(EdicaoLinha, DispostaDeNovoNumaJanelaDeOutraLargura) {
    edicao_linha e;
    e.forma = {true, colunas_de_teste, 80};
    comecar_linha(e, 5);
    std::string eco;
    for (char b : std::string(99, '7') + "\xE6\x97\xA5")
        editar_byte(e, static_cast<unsigned char>(b), eco);
    ASSERT_EQ(e.caracteres.back().depois.linha, 1);
    const struct {
        int largura, coluna, linha_do_fim, coluna_do_fim;
    } casos[] = {{110, 0, 0, 101}, {40, 3, 2, 24}, {50, 0, 2, 2}};
    for (const auto& c : casos) {
        e.forma.largura = c.largura;
        refazer_disposicao(e, c.coluna);
        EXPECT_EQ(e.caracteres.back().depois.linha, c.linha_do_fim) << c.largura;
        EXPECT_EQ(e.caracteres.back().depois.coluna, c.coluna_do_fim) << c.largura;
    }
}

TEST(EdicaoLinha, ColunaDoCursorDepoisDoQueFoiDesenhado) {
    const forma_do_terminal forma{true, colunas_de_teste, 80};
    const std::pair<std::string, int> casos[] = {
        {"Digite a cor 1:", 15},
        {"\033[23;21H\033[37mOpcao: \033[0;40;37m", 27},
        {"\033[23;21HOpcao: \nATENCAO\n\n", 0},
        {std::string(85, 'x'), 5},
        {std::string(80, 'x'), 80},
        {"\xE6\x97\xA5\xE6\x9C\xAC", 4},
    };
    for (const auto& [texto, coluna] : casos)
        EXPECT_EQ(coluna_depois(texto, forma), coluna) << texto;
}
