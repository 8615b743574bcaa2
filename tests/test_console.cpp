// Unit tests of the console operations: the block column, the reads, and the line editor.
#include "console/console.h"
#include "console/edicao_linha.h"
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
