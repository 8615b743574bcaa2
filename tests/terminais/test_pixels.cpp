// The pixel checks on drawn windows: each passes on the right picture and fails on the faults the
// terminal matrix is there to catch.
#include "pixels.h"

#include <gtest/gtest.h>

namespace {

using pixels::cor;

constexpr cor branco{255, 255, 255}, preto{0, 0, 0}, cinza{229, 229, 229};
constexpr cor paleta[8] = {preto,       {205, 0, 0},   {0, 205, 0},   {205, 205, 0},
                           {0, 0, 238}, {205, 0, 205}, {0, 205, 205}, cinza};

// An 80 x 30 terminal of 9 x 18 cells inside a border of 2 pixels.
struct janela {
    pixels::imagem img;
    explicit janela(cor fundo) : img(4 + 80 * 9, 4 + 30 * 18, fundo) {}
    void fundo(int linha, int coluna, cor c) {
        img.pintar(2 + coluna * 9, 2 + linha * 18, 9, 18, c);
    }
    // A glyph: a bar in the middle of the cell.
    void letras(int linha, int coluna, int quantas, cor c) {
        for (int i = 0; i < quantas; ++i)
            img.pintar(2 + (coluna + i) * 9 + 2, 2 + linha * 18 + 7, 5, 3, c);
    }
    void tudo(cor c) { img.pintar(2, 2, 80 * 9, 30 * 18, c); }
};

pixels::grade medida(cor fundo) {
    janela pintada(fundo);
    for (int l = 0; l < 30; ++l)
        for (int c = 0; c < 80; ++c)
            pintada.fundo(l, c, paleta[1 + l % 6]);
    return pixels::medir_grade(pintada.img, janela(fundo).img);
}

janela menu(cor fundo, int coluna) {
    janela j(fundo);
    for (int linha : {5, 8, 20})
        j.letras(linha, coluna, 40, paleta[6]);
    j.letras(14, coluna, 18, paleta[2]);
    return j;
}

TEST(Pixels, AGradeSaiDaJanelaPintada) {
    const pixels::grade g = medida(branco);
    EXPECT_EQ(pixels::escrever_grade(g),
              "2 2 9 18 #ffffff #cd0000 #00cd00 #cdcd00 #0000ee #cd00cd #00cdcd");
    EXPECT_EQ(pixels::escrever_grade(pixels::ler_grade(pixels::escrever_grade(g))),
              pixels::escrever_grade(g));

    janela estreita(branco); // one column short: 79 x 30
    for (int l = 0; l < 30; ++l)
        for (int c = 0; c < 79; ++c)
            estreita.fundo(l, c, paleta[1 + l % 6]);
    EXPECT_THROW(pixels::medir_grade(estreita.img, janela(branco).img), std::runtime_error);
}

TEST(Pixels, OMenuComecaNaColuna20) {
    const pixels::grade g = medida(branco);
    const janela certo = menu(branco, 20), torto = menu(branco, 0);
    EXPECT_EQ(pixels::classificar(certo.img, g), "menu");
    EXPECT_TRUE(pixels::verificar_menu(certo.img, g).ok);
    EXPECT_EQ(pixels::classificar(torto.img, g), "menu");
    const pixels::resultado r = pixels::verificar_menu(torto.img, g);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.texto.find("5:0-39"), std::string::npos) << r.texto;
    EXPECT_FALSE(pixels::verificar_menu(janela(branco).img, g).ok);
}

TEST(Pixels, OCursorAparece) {
    const pixels::grade g = medida(preto);
    janela tela = menu(preto, 20);
    EXPECT_FALSE(pixels::verificar_cursor(tela.img, g).ok); // drawn black on black, or not at all
    tela.fundo(26, 0, cinza);
    const pixels::resultado r = pixels::verificar_cursor(tela.img, g);
    EXPECT_TRUE(r.ok);
    EXPECT_NE(r.texto.find("row 26, column 0"), std::string::npos) << r.texto;
    tela.fundo(26, 0, {40, 40, 40}); // a dark grey block: there, but hard to see
    EXPECT_FALSE(pixels::verificar_cursor(tela.img, g).ok);
}

TEST(Pixels, ACorEncheATelaOuSoAsCelulasDoTexto) {
    const pixels::grade g = medida(preto);
    janela cheia(preto);
    cheia.tudo(paleta[1]);
    cheia.letras(0, 0, 5, branco); // "Cor:1"
    cheia.fundo(0, 5, branco);     // the cursor
    EXPECT_EQ(pixels::classificar(cheia.img, g), "cor 1");
    EXPECT_TRUE(pixels::verificar_cor(cheia.img, g, 0, 5).ok);

    janela sem_bce(preto); // a terminal without background-colour erase: only the text's cells
    for (int c = 0; c < 5; ++c)
        sem_bce.fundo(0, c, paleta[1]);
    sem_bce.letras(0, 0, 5, branco);
    EXPECT_EQ(pixels::classificar(sem_bce.img, g), "cor 1");
    const pixels::resultado r = pixels::verificar_cor(sem_bce.img, g, 0, 5);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.texto.find("5 of 2399 cells (0.21%)"), std::string::npos) << r.texto;
    EXPECT_FALSE(pixels::verificar_cor(janela(preto).img, g, 0, 5).ok);
}

TEST(Pixels, OTextoCinzaSoSeLeNoPreto) {
    for (cor fundo : {branco, preto}) {
        const pixels::grade g = medida(fundo);
        janela regras(fundo);
        for (int linha = 4; linha <= 10; ++linha)
            regras.letras(linha, 0, 44, cinza);
        const pixels::resultado r = pixels::verificar_contraste(regras.img, g, 4, 10);
        EXPECT_EQ(r.ok, fundo == preto) << r.texto;
        EXPECT_FALSE(pixels::verificar_contraste(janela(fundo).img, g, 4, 10).ok);
    }
}

TEST(Pixels, ASaidaDevolveATelaDoShell) {
    const pixels::grade g = medida(preto);
    janela shell(preto);
    shell.letras(0, 0, 14, cinza); // the marker
    shell.fundo(1, 0, cinza);      // the cursor
    janela de_volta = shell;
    de_volta.fundo(1, 0, preto); // the cursor blinked: its cell does not count
    EXPECT_TRUE(pixels::verificar_saida(shell.img, de_volta.img, g, 1, 0, false).ok);

    const janela ficou = menu(preto, 20);
    const pixels::resultado r = pixels::verificar_saida(shell.img, ficou.img, g, 1, 0, true);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.texto.find("menu stays"), std::string::npos) << r.texto;

    janela limpa(preto); // cleared, the cursor at home
    limpa.fundo(0, 0, cinza);
    EXPECT_FALSE(pixels::verificar_saida(shell.img, limpa.img, g, 1, 0, false).ok);
    EXPECT_TRUE(pixels::verificar_saida(shell.img, limpa.img, g, 1, 0, true).ok);
    limpa.letras(29, 79, 1, cinza); // one glyph of the game left
    EXPECT_FALSE(pixels::verificar_saida(shell.img, limpa.img, g, 1, 0, true).ok);
}

} // namespace
