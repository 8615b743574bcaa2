// Reading a terminal window's picture cell by cell, and the checks the terminal matrix makes.
#include "pixels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace pixels {

namespace {

// Colours this close are one colour (the same palette entry drawn by one terminal).
constexpr int mesma_cor = 24;
// A pixel this far from its cell's background is ink.
constexpr int limiar_tinta = 48;
constexpr double contraste_minimo = 4.5;
constexpr double contraste_do_cursor = 3.0;
constexpr double preenchimento_minimo = 99.0;
constexpr int comprimento_da_regua = 40;

std::uint32_t empacotar(cor c) {
    return static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b);
}

cor desempacotar(std::uint32_t v) {
    return {static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF),
            static_cast<int>(v & 0xFF)};
}

// The most frequent colour of a rectangle.
cor moda(const imagem& img, int x, int y, int l, int a) {
    std::vector<std::uint32_t> valores;
    valores.reserve(static_cast<std::size_t>(l * a));
    for (int j = y; j < y + a; ++j)
        for (int i = x; i < x + l; ++i)
            valores.push_back(empacotar(img.em(i, j)));
    std::sort(valores.begin(), valores.end());
    std::uint32_t melhor = 0;
    std::size_t maior = 0;
    for (std::size_t i = 0; i < valores.size();) {
        std::size_t fim = i;
        while (fim < valores.size() && valores[fim] == valores[i])
            ++fim;
        if (fim - i > maior) {
            maior = fim - i;
            melhor = valores[i];
        }
        i = fim;
    }
    return desempacotar(melhor);
}

double linear(int canal) {
    const double c = canal / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminancia(cor c) {
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

std::string formatar(const char* formato, double valor) {
    char texto[64];
    std::snprintf(texto, sizeof texto, formato, valor);
    return texto;
}

// Runs of 30 or more inked cells on one row.
struct regua {
    int linha, coluna, comprimento;
};

std::vector<regua> reguas(const std::vector<celula>& cs) {
    std::vector<regua> achadas;
    for (int l = 0; l < linhas; ++l) {
        for (int c = 0; c < colunas;) {
            int fim = c;
            while (fim < colunas && cs[static_cast<std::size_t>(l * colunas + fim)].tinta > 0)
                ++fim;
            if (fim - c >= 30) achadas.push_back({l, c, fim - c});
            c = fim == c ? c + 1 : fim;
        }
    }
    return achadas;
}

// The ANSI colour 1 to 6 whose palette entry is `c`, or 0.
int cor_da_paleta(const grade& g, cor c) {
    for (int n = 1; n <= 6; ++n)
        if (distancia(c, g.paleta[n]) <= mesma_cor) return n;
    return 0;
}

// "1234 cells #rrggbb, ..." for the three most frequent colours of `fundos`.
std::string fundos_mais_comuns(const std::vector<cor>& fundos) {
    std::map<std::uint32_t, int> contagem;
    for (cor c : fundos)
        ++contagem[empacotar(c)];
    std::vector<std::pair<int, std::uint32_t>> ordem;
    for (auto [valor, n] : contagem)
        ordem.push_back({n, valor});
    std::sort(ordem.rbegin(), ordem.rend());
    std::string texto;
    for (std::size_t i = 0; i < ordem.size() && i < 3; ++i) {
        if (!texto.empty()) texto += ", ";
        texto += std::to_string(ordem[i].first) + " cells " + hex(desempacotar(ordem[i].second));
    }
    return texto;
}

} // namespace

int distancia(cor a, cor b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

std::string hex(cor c) {
    char texto[8];
    std::snprintf(texto, sizeof texto, "#%02x%02x%02x", c.r & 0xFF, c.g & 0xFF, c.b & 0xFF);
    return texto;
}

double contraste(cor a, cor b) {
    const double la = luminancia(a), lb = luminancia(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

imagem::imagem(int l, int a, cor fundo) : largura(l), altura(a) {
    rgb.resize(static_cast<std::size_t>(l * a * 3));
    pintar(0, 0, l, a, fundo);
}

cor imagem::em(int x, int y) const {
    const std::size_t i = static_cast<std::size_t>((y * largura + x) * 3);
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

void imagem::pintar(int x, int y, int l, int a, cor c) {
    for (int j = y; j < y + a; ++j) {
        for (int i = x; i < x + l; ++i) {
            const std::size_t p = static_cast<std::size_t>((j * largura + i) * 3);
            rgb[p] = static_cast<std::uint8_t>(c.r);
            rgb[p + 1] = static_cast<std::uint8_t>(c.g);
            rgb[p + 2] = static_cast<std::uint8_t>(c.b);
        }
    }
}

imagem ler_ppm(const std::string& caminho) {
    std::ifstream arquivo(caminho, std::ios::binary);
    if (!arquivo) throw std::runtime_error("cannot open " + caminho);
    auto campo = [&arquivo]() {
        std::string palavra;
        for (;;) {
            arquivo >> std::ws;
            if (arquivo.peek() != '#') break;
            std::string comentario;
            std::getline(arquivo, comentario);
        }
        arquivo >> palavra;
        return palavra;
    };
    if (campo() != "P6") throw std::runtime_error(caminho + ": not a binary PPM (P6)");
    imagem img;
    img.largura = std::stoi(campo());
    img.altura = std::stoi(campo());
    if (campo() != "255") throw std::runtime_error(caminho + ": not 8 bits a channel");
    arquivo.get(); // the one whitespace before the pixels
    img.rgb.resize(static_cast<std::size_t>(img.largura * img.altura * 3));
    arquivo.read(reinterpret_cast<char*>(img.rgb.data()),
                 static_cast<std::streamsize>(img.rgb.size()));
    if (!arquivo) throw std::runtime_error(caminho + ": truncated");
    return img;
}

grade medir_grade(const imagem& pintada, const imagem& limpa) {
    if (pintada.largura != limpa.largura || pintada.altura != limpa.altura)
        throw std::runtime_error("the two pictures differ in size");
    grade g;
    g.fundo = moda(limpa, 0, 0, limpa.largura, limpa.altura);
    int x0 = pintada.largura, y0 = pintada.altura, x1 = -1, y1 = -1;
    for (int y = 0; y < pintada.altura; ++y) {
        for (int x = 0; x < pintada.largura; ++x) {
            if (distancia(pintada.em(x, y), g.fundo) <= mesma_cor) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x);
            y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    }
    const int l = x1 - x0 + 1, a = y1 - y0 + 1;
    if (x1 < 0 || l % colunas != 0 || a % linhas != 0) {
        throw std::runtime_error("the painted area is " + std::to_string(std::max(l, 0)) + "x" +
                                 std::to_string(std::max(a, 0)) +
                                 " pixels: not 80 x 30 whole cells");
    }
    g.x = x0, g.y = y0, g.largura = l / colunas, g.altura = a / linhas;
    for (int r = 0; r < linhas; ++r) {
        const cor c = moda(pintada, g.x, g.y + r * g.altura, l, g.altura);
        cor& entrada = g.paleta[1 + r % 6];
        if (r < 6) {
            entrada = c;
        } else if (distancia(c, entrada) > mesma_cor) {
            throw std::runtime_error("row " + std::to_string(r) + " is " + hex(c) + ", not " +
                                     hex(entrada) + ": the rows are not where the grid puts them");
        }
    }
    for (int n = 1; n <= 6; ++n) {
        for (int m = 0; m < n; ++m) {
            const cor outra = m == 0 ? g.fundo : g.paleta[m];
            if (distancia(g.paleta[n], outra) <= mesma_cor)
                throw std::runtime_error("colour " + std::to_string(n) + " is drawn as " +
                                         hex(outra) +
                                         " too: the painted rows cannot be told apart");
        }
    }
    return g;
}

std::string escrever_grade(const grade& g) {
    std::ostringstream texto;
    texto << g.x << ' ' << g.y << ' ' << g.largura << ' ' << g.altura << ' ' << hex(g.fundo);
    for (int n = 1; n <= 6; ++n)
        texto << ' ' << hex(g.paleta[n]);
    return texto.str();
}

grade ler_grade(const std::string& texto) {
    std::istringstream entrada(texto);
    grade g;
    auto ler_cor = [&entrada]() {
        std::string h;
        entrada >> h;
        if (h.size() != 7 || h[0] != '#') throw std::runtime_error("bad colour in the grid: " + h);
        return desempacotar(static_cast<std::uint32_t>(std::stoul(h.substr(1), nullptr, 16)));
    };
    if (!(entrada >> g.x >> g.y >> g.largura >> g.altura) || g.largura <= 0 || g.altura <= 0)
        throw std::runtime_error("bad grid: " + texto);
    g.fundo = ler_cor();
    for (int n = 1; n <= 6; ++n)
        g.paleta[n] = ler_cor();
    return g;
}

std::vector<celula> celulas(const imagem& img, const grade& g) {
    if (g.x + colunas * g.largura > img.largura || g.y + linhas * g.altura > img.altura)
        throw std::runtime_error("the picture is smaller than the grid");
    std::vector<celula> cs;
    cs.reserve(colunas * linhas);
    for (int l = 0; l < linhas; ++l) {
        for (int c = 0; c < colunas; ++c) {
            const int x = g.x + c * g.largura, y = g.y + l * g.altura;
            celula cel{moda(img, x, y, g.largura, g.altura), 0};
            for (int j = y; j < y + g.altura; ++j)
                for (int i = x; i < x + g.largura; ++i)
                    if (distancia(img.em(i, j), cel.fundo) > limiar_tinta) ++cel.tinta;
            cs.push_back(cel);
        }
    }
    return cs;
}

const char* nome_da_cor(int ansi) {
    static const char* const nomes[] = {"black", "red",     "green", "yellow",
                                        "blue",  "magenta", "cyan",  "white"};
    return ansi >= 0 && ansi < 8 ? nomes[ansi] : "?";
}

std::string classificar(const imagem& img, const grade& g) {
    const std::vector<celula> cs = celulas(img, g);
    if (const int n = cor_da_paleta(g, cs[0].fundo)) return "cor " + std::to_string(n);
    bool regua_em[linhas][colunas] = {};
    int completas = 0;
    for (const regua& r : reguas(cs)) {
        if (r.comprimento != comprimento_da_regua) continue;
        regua_em[r.linha][r.coluna] = true;
        ++completas;
    }
    if (regua_em[0][0] && regua_em[2][0]) return "regras";
    bool na_primeira = false;
    for (bool b : regua_em[0])
        na_primeira = na_primeira || b;
    if (completas >= 3 && !na_primeira) return "menu";
    return "outra";
}

resultado verificar_menu(const imagem& img, const grade& g) {
    const std::vector<regua> rs = reguas(celulas(img, g));
    std::string onde;
    bool ok = !rs.empty();
    for (const regua& r : rs) {
        onde += (onde.empty() ? "" : ", ") + std::to_string(r.linha) + ":" +
                std::to_string(r.coluna) + "-" + std::to_string(r.coluna + r.comprimento - 1);
        ok = ok && r.coluna == 20 && r.comprimento == comprimento_da_regua;
    }
    if (rs.empty()) return {false, "no rule of 30 or more cells on the screen"};
    return {ok, std::to_string(rs.size()) + " rules at row:columns " + onde +
                    (ok ? "" : " (want 20-59)")};
}

resultado verificar_cor(const imagem& img, const grade& g, int linha_cursor, int coluna_cursor) {
    const std::vector<celula> cs = celulas(img, g);
    const int n = cor_da_paleta(g, cs[0].fundo);
    if (n == 0) return {false, "no flash: the first cell is " + hex(cs[0].fundo)};
    int cheias = 0, contadas = 0;
    std::vector<cor> outras;
    for (int i = 0; i < linhas * colunas; ++i) {
        if (i == linha_cursor * colunas + coluna_cursor) continue;
        ++contadas;
        const cor f = cs[static_cast<std::size_t>(i)].fundo;
        if (distancia(f, g.paleta[n]) <= mesma_cor)
            ++cheias;
        else
            outras.push_back(f);
    }
    const double parte = 100.0 * cheias / contadas;
    std::string texto = std::string(nome_da_cor(n)) + " " + hex(g.paleta[n]) + " in " +
                        std::to_string(cheias) + " of " + std::to_string(contadas) + " cells (" +
                        formatar("%.2f%%)", parte);
    if (!outras.empty()) texto += "; the rest: " + fundos_mais_comuns(outras);
    return {parte >= preenchimento_minimo, texto};
}

resultado verificar_cursor(const imagem& img, const grade& g) {
    const std::vector<celula> cs = celulas(img, g);
    std::map<std::uint32_t, int> contagem;
    for (const celula& cel : cs)
        ++contagem[empacotar(cel.fundo)];
    const auto maior = std::max_element(contagem.begin(), contagem.end(),
                                        [](auto a, auto b) { return a.second < b.second; });
    const cor fundo = desempacotar(maior->first);
    std::vector<int> blocos;
    for (int i = 0; i < linhas * colunas; ++i) {
        const celula& cel = cs[static_cast<std::size_t>(i)];
        if (cel.tinta == 0 && distancia(cel.fundo, fundo) > mesma_cor) blocos.push_back(i);
    }
    if (blocos.empty())
        return {false, "no cursor: no solid cell apart from the background " + hex(fundo)};
    if (blocos.size() > 1)
        return {false, std::to_string(blocos.size()) + " solid cells, not the one of a cursor"};
    const int i = blocos[0];
    const cor bloco = cs[static_cast<std::size_t>(i)].fundo;
    const double razao = contraste(bloco, fundo);
    return {razao >= contraste_do_cursor,
            "at row " + std::to_string(i / colunas) + ", column " + std::to_string(i % colunas) +
                ", " + hex(bloco) + " on " + hex(fundo) + ", " + formatar("%.2f:1", razao) +
                (razao >= contraste_do_cursor ? "" : " (want 3:1)")};
}

resultado verificar_contraste(const imagem& img, const grade& g, int primeira, int ultima) {
    const int x = g.x, y = g.y + primeira * g.altura;
    const int l = colunas * g.largura, a = (ultima - primeira + 1) * g.altura;
    const cor fundo = moda(img, x, y, l, a);
    cor texto = fundo;
    for (int j = y; j < y + a; ++j)
        for (int i = x; i < x + l; ++i)
            if (distancia(img.em(i, j), fundo) > distancia(texto, fundo)) texto = img.em(i, j);
    const std::string linhas_vistas =
        "rows " + std::to_string(primeira) + "-" + std::to_string(ultima);
    if (distancia(texto, fundo) <= mesma_cor)
        return {false, "no text on " + linhas_vistas + ", all " + hex(fundo)};
    const double razao = contraste(texto, fundo);
    return {razao >= contraste_minimo, hex(texto) + " on " + hex(fundo) + ", " +
                                           formatar("%.2f:1", razao) +
                                           (razao >= contraste_minimo ? "" : " (want 4.5:1)")};
}

resultado verificar_saida(const imagem& antes, const imagem& depois, const grade& g,
                          int linha_cursor, int coluna_cursor, bool aceita_limpa) {
    const std::vector<celula> cs = celulas(depois, g);
    // On a cleared screen the cursor stands wherever the clear left it: one solid cell (a block
    // of one colour, no glyph) is taken for it.
    int diferentes = 0, sujas = 0, blocos = 0;
    for (int l = 0; l < linhas; ++l) {
        for (int c = 0; c < colunas; ++c) {
            if (l == linha_cursor && c == coluna_cursor) continue;
            const celula& cel = cs[static_cast<std::size_t>(l * colunas + c)];
            if (cel.tinta > 0)
                ++sujas;
            else if (distancia(cel.fundo, g.fundo) > mesma_cor)
                ++blocos;
            bool igual = true;
            const int x = g.x + c * g.largura, y = g.y + l * g.altura;
            for (int j = y; j < y + g.altura && igual; ++j)
                for (int i = x; i < x + g.largura && igual; ++i)
                    igual = distancia(antes.em(i, j), depois.em(i, j)) <= mesma_cor;
            if (!igual) ++diferentes;
        }
    }
    if (diferentes == 0) return {true, "the shell's screen is back as it was"};
    if (aceita_limpa && sujas == 0 && blocos <= 1)
        return {true, "a clean screen (the terminal keeps no alternate screen)"};
    std::string texto = std::to_string(diferentes) + " cells differ from the shell's screen (" +
                        std::to_string(sujas + blocos) + " with text or colour)";
    const std::string tela = classificar(depois, g);
    if (tela == "menu") texto += ": the game's menu stays";
    if (tela.starts_with("cor "))
        texto += std::string(": a ") + nome_da_cor(tela[4] - '0') + " flash stays";
    return {false, texto};
}

} // namespace pixels
