// Draws a terminal screen as an SVG picture with the standard xterm palette.
#include "svg_tela.h"

#include <cstdio>

namespace capturas {

namespace {

constexpr rgb ansi_xterm[16] = {
    {0, 0, 0},     {205, 0, 0},     {0, 205, 0},     {205, 205, 0},   {0, 0, 238}, {205, 0, 205},
    {0, 205, 205}, {229, 229, 229}, {127, 127, 127}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {92, 92, 255}, {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

rgb resolver(const e2e::Color& cor, rgb padrao) {
    switch (cor.kind) {
    case e2e::Color::Kind::Default:
        return padrao;
    case e2e::Color::Kind::Indexed:
        return cor_xterm(cor.index);
    case e2e::Color::Kind::Rgb:
        break;
    }
    return {cor.red, cor.green, cor.blue};
}

void escapar_xml(std::string& saida, std::string_view texto) {
    for (char c : texto) {
        switch (c) {
        case '&':
            saida += "&amp;";
            break;
        case '<':
            saida += "&lt;";
            break;
        case '>':
            saida += "&gt;";
            break;
        case '"':
            saida += "&quot;";
            break;
        default:
            saida += c;
        }
    }
}

// Cells drawn with the same text attributes can share one <text> element.
bool mesmo_estilo(const e2e::Cell& a, const e2e::Cell& b) {
    return cor_da_frente(a) == cor_da_frente(b) && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline && a.strike == b.strike;
}

bool em_branco(const e2e::Cell& celula) {
    return celula.text.empty() || celula.text == " ";
}

} // namespace

rgb cor_xterm(int indice) {
    if (indice < 0 || indice > 255) return frente_padrao;
    if (indice < 16) return ansi_xterm[indice];
    if (indice < 232) {
        const int n = indice - 16;
        auto nivel = [](int v) { return v == 0 ? 0 : 55 + 40 * v; };
        return {nivel(n / 36), nivel(n / 6 % 6), nivel(n % 6)};
    }
    const int cinza = 8 + 10 * (indice - 232);
    return {cinza, cinza, cinza};
}

rgb cor_da_frente(const e2e::Cell& celula) {
    return celula.reverse ? resolver(celula.bg, fundo_padrao) : resolver(celula.fg, frente_padrao);
}

rgb cor_do_fundo(const e2e::Cell& celula) {
    return celula.reverse ? resolver(celula.fg, frente_padrao) : resolver(celula.bg, fundo_padrao);
}

std::string hex(rgb cor) {
    char texto[8];
    std::snprintf(texto, sizeof texto, "#%02x%02x%02x", cor.r & 0xFF, cor.g & 0xFF, cor.b & 0xFF);
    return texto;
}

std::string svg_da_tela(const e2e::Screen& tela, std::string_view titulo) {
    const int largura = tela.cols * largura_celula, altura = tela.rows * altura_celula;
    std::string svg;
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(largura) +
           "\" height=\"" + std::to_string(altura) + "\" viewBox=\"0 0 " + std::to_string(largura) +
           " " + std::to_string(altura) + "\">\n<title>";
    escapar_xml(svg, titulo);
    svg += "</title>\n<rect width=\"100%\" height=\"100%\" fill=\"" + hex(fundo_padrao) + "\"/>\n";

    // Backgrounds: one rectangle per run of cells of the same colour on a row.
    for (int linha = 0; linha < tela.rows; ++linha) {
        for (int coluna = 0; coluna < tela.cols;) {
            const rgb fundo = cor_do_fundo(tela.at(linha, coluna));
            int fim = coluna + 1;
            while (fim < tela.cols && cor_do_fundo(tela.at(linha, fim)) == fundo)
                ++fim;
            if (!(fundo == fundo_padrao))
                svg += "<rect x=\"" + std::to_string(coluna * largura_celula) + "\" y=\"" +
                       std::to_string(linha * altura_celula) + "\" width=\"" +
                       std::to_string((fim - coluna) * largura_celula) + "\" height=\"" +
                       std::to_string(altura_celula) + "\" fill=\"" + hex(fundo) + "\"/>\n";
            coluna = fim;
        }
    }

    if (tela.cursor_visible && tela.cursor_row >= 0 && tela.cursor_row < tela.rows &&
        tela.cursor_col >= 0 && tela.cursor_col < tela.cols)
        svg += "<rect x=\"" + std::to_string(tela.cursor_col * largura_celula) + "\" y=\"" +
               std::to_string(tela.cursor_row * altura_celula) + "\" width=\"" +
               std::to_string(largura_celula) + "\" height=\"" + std::to_string(altura_celula) +
               "\" fill=\"" + hex(frente_padrao) + "\" fill-opacity=\"0.7\"/>\n";

    // Text: one element per run of cells of the same style, every character at its own column
    // so that the font's advance cannot shift the grid.
    svg += "<g font-family=\"DejaVu Sans Mono, Liberation Mono, Menlo, Consolas, monospace\" "
           "font-size=\"15\" xml:space=\"preserve\">\n";
    const int base = altura_celula - 5;
    for (int linha = 0; linha < tela.rows; ++linha) {
        for (int coluna = 0; coluna < tela.cols;) {
            const e2e::Cell& primeira = tela.at(linha, coluna);
            if (em_branco(primeira) || primeira.width == 0) {
                ++coluna;
                continue;
            }
            std::string xs, texto;
            int fim = coluna;
            while (fim < tela.cols && !em_branco(tela.at(linha, fim)) &&
                   tela.at(linha, fim).width != 0 && mesmo_estilo(tela.at(linha, fim), primeira)) {
                if (!xs.empty()) xs += ' ';
                xs += std::to_string(fim * largura_celula);
                escapar_xml(texto, tela.at(linha, fim).text);
                ++fim;
            }
            svg += "<text x=\"" + xs + "\" y=\"" + std::to_string(linha * altura_celula + base) +
                   "\" fill=\"" + hex(cor_da_frente(primeira)) + "\"";
            if (primeira.bold) svg += " font-weight=\"bold\"";
            if (primeira.italic) svg += " font-style=\"italic\"";
            if (primeira.underline || primeira.strike)
                svg += primeira.underline ? " text-decoration=\"underline\""
                                          : " text-decoration=\"line-through\"";
            svg += ">" + texto + "</text>\n";
            coluna = fim;
        }
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

} // namespace capturas
