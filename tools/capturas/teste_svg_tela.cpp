// Tests of the SVG drawing of a terminal screen: the xterm palette, the colours a cell is drawn
// in, and what the picture holds for a small screen.
#include "svg_tela.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using capturas::rgb;

e2e::Color indexada(int indice) {
    e2e::Color cor;
    cor.kind = e2e::Color::Kind::Indexed;
    cor.index = indice;
    // libvterm's own idea of the colour, which the picture must not use.
    cor.red = 1;
    cor.green = 2;
    cor.blue = 3;
    return cor;
}

e2e::Screen tela_vazia(int linhas, int colunas) {
    e2e::Screen tela;
    tela.rows = linhas;
    tela.cols = colunas;
    tela.cells.resize(static_cast<std::size_t>(linhas * colunas));
    tela.cursor_visible = false;
    return tela;
}

e2e::Cell& celula(e2e::Screen& tela, int linha, int coluna) {
    return tela.cells[static_cast<std::size_t>(linha * tela.cols + coluna)];
}

int contar(const std::string& texto, const std::string& parte) {
    int n = 0;
    for (auto p = texto.find(parte); p != std::string::npos; p = texto.find(parte, p + 1))
        ++n;
    return n;
}

TEST(PaletaXterm, AnsiCubeAndGreys) {
    EXPECT_EQ(capturas::cor_xterm(0), (rgb{0, 0, 0}));
    EXPECT_EQ(capturas::cor_xterm(1), (rgb{205, 0, 0}));
    EXPECT_EQ(capturas::cor_xterm(4), (rgb{0, 0, 238}));
    EXPECT_EQ(capturas::cor_xterm(7), (rgb{229, 229, 229}));
    EXPECT_EQ(capturas::cor_xterm(9), (rgb{255, 0, 0}));
    EXPECT_EQ(capturas::cor_xterm(12), (rgb{92, 92, 255}));
    EXPECT_EQ(capturas::cor_xterm(15), (rgb{255, 255, 255}));
    EXPECT_EQ(capturas::cor_xterm(16), (rgb{0, 0, 0}));
    EXPECT_EQ(capturas::cor_xterm(17), (rgb{0, 0, 95}));
    EXPECT_EQ(capturas::cor_xterm(196), (rgb{255, 0, 0}));
    EXPECT_EQ(capturas::cor_xterm(231), (rgb{255, 255, 255}));
    EXPECT_EQ(capturas::cor_xterm(232), (rgb{8, 8, 8}));
    EXPECT_EQ(capturas::cor_xterm(255), (rgb{238, 238, 238}));
    EXPECT_EQ(capturas::hex(capturas::cor_xterm(6)), "#00cdcd");
}

TEST(CoresDaCelula, DefaultIndexedRgbAndReverse) {
    e2e::Cell c;
    EXPECT_EQ(capturas::cor_da_frente(c), capturas::frente_padrao);
    EXPECT_EQ(capturas::cor_do_fundo(c), capturas::fundo_padrao);

    c.fg = indexada(15);
    c.bg = indexada(1);
    EXPECT_EQ(capturas::cor_da_frente(c), (rgb{255, 255, 255}));
    EXPECT_EQ(capturas::cor_do_fundo(c), (rgb{205, 0, 0}));

    c.reverse = true;
    EXPECT_EQ(capturas::cor_da_frente(c), (rgb{205, 0, 0}));
    EXPECT_EQ(capturas::cor_do_fundo(c), (rgb{255, 255, 255}));

    e2e::Cell direta;
    direta.fg.kind = e2e::Color::Kind::Rgb;
    direta.fg.red = 10;
    direta.fg.green = 20;
    direta.fg.blue = 30;
    EXPECT_EQ(capturas::cor_da_frente(direta), (rgb{10, 20, 30}));
}

TEST(SvgDaTela, BackgroundRunsTextColumnsAndEscaping) {
    e2e::Screen tela = tela_vazia(2, 6);
    // Row 0: "a<b" in red on blue in columns 1..3, then one blank blue cell.
    const char textos[] = {'a', '<', 'b'};
    for (int coluna = 1; coluna <= 4; ++coluna) {
        e2e::Cell& c = celula(tela, 0, coluna);
        c.bg = indexada(4);
        if (coluna <= 3) {
            c.text = std::string(1, textos[coluna - 1]);
            c.fg = indexada(1);
        }
    }
    // Row 1: "&" bold in the default colour at column 5.
    celula(tela, 1, 5).text = std::string(1, '&');
    celula(tela, 1, 5).bold = true;

    const std::string svg = capturas::svg_da_tela(tela, "teste <1>");
    const int w = capturas::largura_celula, h = capturas::altura_celula;

    const std::string inicio = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                               std::to_string(6 * w) + "\" height=\"" + std::to_string(2 * h) +
                               "\"";
    EXPECT_EQ(svg.rfind(inicio, 0), 0u) << svg;
    EXPECT_NE(svg.find("<title>teste &lt;1&gt;</title>"), std::string::npos) << svg;
    // One blue run of four cells; the black cells need no rectangle of their own.
    EXPECT_NE(svg.find("<rect x=\"" + std::to_string(w) + "\" y=\"0\" width=\"" +
                       std::to_string(4 * w) + "\" height=\"" + std::to_string(h) +
                       "\" fill=\"#0000ee\"/>"),
              std::string::npos)
        << svg;
    EXPECT_EQ(contar(svg, "<rect "), 2) << svg; // the page and the blue run
    // Each character at its own column, escaped.
    EXPECT_NE(svg.find("<text x=\"" + std::to_string(w) + " " + std::to_string(2 * w) + " " +
                       std::to_string(3 * w) + "\" y=\"13\" fill=\"#cd0000\">a&lt;b</text>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<text x=\"" + std::to_string(5 * w) + "\" y=\"" + std::to_string(h + 13) +
                       "\" fill=\"#e5e5e5\" font-weight=\"bold\">&amp;</text>"),
              std::string::npos)
        << svg;
    EXPECT_EQ(contar(svg, "<text "), 2) << svg;
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(SvgDaTela, CursorOnlyWhenVisible) {
    e2e::Screen tela = tela_vazia(3, 3);
    tela.cursor_row = 2;
    tela.cursor_col = 1;
    EXPECT_EQ(contar(capturas::svg_da_tela(tela, "t"), "fill-opacity"), 0);
    tela.cursor_visible = true;
    const std::string svg = capturas::svg_da_tela(tela, "t");
    EXPECT_NE(svg.find("<rect x=\"" + std::to_string(capturas::largura_celula) + "\" y=\"" +
                       std::to_string(2 * capturas::altura_celula) + "\""),
              std::string::npos)
        << svg;
    EXPECT_EQ(contar(svg, "fill-opacity"), 1);
}

TEST(SvgDaTela, StyleChangeSplitsTextAndBlanksAreSkipped) {
    e2e::Screen tela = tela_vazia(1, 5);
    celula(tela, 0, 0).text = std::string(1, 'x');
    celula(tela, 0, 1).text = std::string(1, 'y');
    celula(tela, 0, 1).fg = indexada(2);
    celula(tela, 0, 2).text = std::string(1, ' ');
    celula(tela, 0, 3).text = std::string(1, 'z');
    const std::string svg = capturas::svg_da_tela(tela, "t");
    EXPECT_EQ(contar(svg, "<text "), 3) << svg;
    EXPECT_NE(svg.find("fill=\"#00cd00\">y</text>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<text x=\"" + std::to_string(3 * capturas::largura_celula) + "\""),
              std::string::npos)
        << svg;
}

} // namespace
