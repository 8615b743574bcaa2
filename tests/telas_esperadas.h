// What the player must see: every screen of the game row by row, with the colour of its text,
// and how long each timed screen stays. The in-process, end-to-end and robustness tests, the
// benchmark and the screenshot tool read the game's screens from here, never from its code.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace esperado {

// --- Colours ----------------------------------------------------------------------------------

// Text and background colours as ANSI indexes; the bright forms are at index + 8.
inline constexpr int preto = 0, vermelho = 1, verde = 2, amarelo = 3, azul = 4, magenta = 5,
                     ciano = 6, cinza = 7, branco_brilhante = 15;

// Text in the normal colour: the terminal's own until the game sets a scheme, then the light
// grey of the normal scheme.
inline constexpr int normal = -1;

// A digit 0 to 7 of a console scheme ("4F": background 4, text F) as an ANSI colour; the digits
// 8 to F are their bright forms.
inline constexpr int ansi_do_digito[8] = {preto,    azul,    verde,   ciano,
                                          vermelho, magenta, amarelo, cinza};

// The colours of a sequence: colour number n is entry n - 1, the colour its flash fills the whole
// screen with and how long the flash stays. Its label "Cor:k" is in bright white.
struct cor_da_sequencia {
    int ansi;
    int ms;
};
inline constexpr cor_da_sequencia cores[] = {{vermelho, 3000}, {azul, 1500},    {verde, 1500},
                                             {amarelo, 1500},  {magenta, 1500}, {ciano, 1500}};

// The colour number that a background of ANSI colour `ansi` shows; 0 for none of the six.
constexpr int numero_da_cor(int ansi) {
    for (int n = 1; n <= 6; ++n)
        if (cores[n - 1].ansi == ansi) return n;
    return 0;
}

// --- Texts with a number ----------------------------------------------------------------------

inline constexpr std::string_view rodada = "Rodada %d";          // row 0 before the count-down
inline constexpr std::string_view piscada = "Cor:%d";            // row 0 of flash k
inline constexpr std::string_view pergunta = "Digite a cor %d:"; // question k of the answers

// The text before the number.
constexpr std::string_view antes_do_numero(std::string_view formato) {
    return formato.substr(0, formato.find("%d"));
}

inline std::string com_numero(std::string_view formato, int n) {
    return std::string(antes_do_numero(formato)) + std::to_string(n) +
           std::string(formato.substr(formato.find("%d") + 2));
}

// The number when `texto` is exactly `formato` with one, else -1.
constexpr int numero_em(std::string_view texto, std::string_view formato) {
    const std::string_view antes = antes_do_numero(formato);
    const std::string_view depois = formato.substr(antes.size() + 2);
    if (texto.size() <= antes.size() + depois.size() || !texto.starts_with(antes) ||
        !texto.ends_with(depois))
        return -1;
    int n = 0;
    for (char c : texto.substr(antes.size(), texto.size() - antes.size() - depois.size())) {
        if (c < '0' || c > '9' || n > 1000) return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// --- Screens ----------------------------------------------------------------------------------

// One row of a screen: its text, each character in colour `cor`. Blanks at its end are not told
// from cells never written.
struct linha_da_tela {
    int linha;
    std::string texto;
    int cor;
};
using tela = std::vector<linha_da_tela>;

inline const std::string regua(40, '=');

// The title of a screen framed by rules: its row 1.
inline const std::string& titulo(const tela& t) {
    return t[1].texto;
}

// The menu's block, each row from the block column, (width - 40) / 2, in a window 39 columns wide
// or wider; in a narrower one each text goes on where the one before it ended, from the corner.
inline const tela menu = {
    {2, "          *        .        *", ciano},
    {3, "     .        .         .        .", ciano},
    {5, regua, ciano},
    {6, "         Q U I R E L O   Z A V", ciano},
    {7, "              T U N I X", ciano},
    {8, regua, ciano},
    {10, "     .        .         .        .", ciano},
    {11, "          *        .        *", ciano},
    {14, "[ 1 ] COMECAR JOGO", verde},
    {16, "[ 2 ] REGRAS", amarelo},
    {18, "[ 3 ] CREDITOS", vermelho},
    {20, regua, ciano},
    {22, "Opcao: ", cinza},
};
// Below the block, from the start of the next rows; the second is the last thing the menu draws.
// The player's typing shows on the row after the blank one below them.
inline const std::string aviso_do_menu = "Letras ou numeros diferentes serão considerados errados.";
inline const tela avisos_do_menu = {
    {23, "ATENCAO: serao aceitos apenas numeros.", normal},
    {24, aviso_do_menu, normal},
};
// The menu as a window `colunas` wide shows it: the block as `menu` says, then the warnings from
// the start of the next rows; a character written past the last column wraps first. Each cell
// written, (row, column), with its character and colour, and the cursor after the last.
struct menu_desenhado {
    std::map<std::pair<int, int>, std::pair<std::string, int>> celulas;
    int linha = 0, coluna = 0;
};
inline menu_desenhado menu_em_celulas(int colunas) {
    menu_desenhado m;
    const auto escrever = [&](const std::string& texto, int cor) {
        for (std::size_t i = 0, fim; i < texto.size(); i = fim) {
            for (fim = i + 1; fim < texto.size() && (texto[fim] & 0xC0) == 0x80;) // UTF-8
                ++fim;
            const std::string caractere = texto.substr(i, fim - i);
            if (caractere == "\n" || m.coluna == colunas) ++m.linha, m.coluna = 0;
            if (caractere != "\n") m.celulas[{m.linha, m.coluna++}] = {caractere, cor};
        }
    };
    for (const linha_da_tela& l : menu) {
        if (colunas >= 39) m.linha = l.linha, m.coluna = (colunas - 40) / 2;
        escrever(l.texto, l.cor);
    }
    escrever("\n" + avisos_do_menu[0].texto + "\n" + avisos_do_menu[1].texto + "\n\n", normal);
    return m;
}
// The block's rows in a window `colunas` wide, 39 or more.
inline tela menu_na_largura(int colunas) {
    const menu_desenhado m = menu_em_celulas(colunas);
    tela linhas = menu;
    for (linha_da_tela& l : linhas) {
        l.texto.clear();
        for (int c = 0; c < colunas; ++c) {
            const auto celula = m.celulas.find({l.linha, c});
            l.texto += celula == m.celulas.end() ? " " : celula->second.first;
        }
    }
    return linhas;
}
inline constexpr int linha_da_opcao = 26;
// A line that is not an option: the message two rows below it, held, then the menu again.
inline const linha_da_tela opcao_invalida = {28, "Opcao invalida!", vermelho};

// The screens of options 2 and 3, each until a key is pressed after its last row.
inline const std::string tecla = "Pressione qualquer tecla para continuar. . .";
inline const tela regras = {
    {0, regua, amarelo},
    {1, "              REGRAS", amarelo},
    {2, regua, amarelo},
    {3, "", normal},
    {4, "1 - O jogo exibira uma sequencia de cores.", cinza},
    {5, "2 - No inicio, serao sorteadas 2 cores.", cinza},
    {6, "3 - Memorize a ordem em que as cores aparecem.", cinza},
    {7, "4 - Depois, voce devera repetir a sequencia correta.", cinza},
    {8, "5 - A cada rodada, 1 nova cor sera adicionada.", cinza},
    {9, "6 - A sequencia ficara cada vez maior e mais dificil.", cinza},
    {10, "7 - Se voce errar a ordem das cores, o jogo termina.", cinza},
    {11, "", normal},
    {12, regua, amarelo},
    {13, "           TABELA DE CORES", amarelo},
    {14, regua, amarelo},
    {15, "", normal},
    {16, "1 - vermelho", vermelho},
    {17, "2 - Azul", azul},
    {18, "3 - Verde", verde},
    {19, "4 - Amarelo", amarelo},
    {20, "5 - Roxo", magenta},
    {21, "6 - Ciano", ciano},
    {22, tecla, normal},
};
inline const tela creditos = {
    {0, regua, vermelho},
    {1, "             CREDITOS", vermelho},
    {2, regua, vermelho},
    {3, "", normal},
    {4, "Equipe QUIRELO ZAV TUNIX", cinza},
    {5, "Engenheiros fundadores do projeto", cinza},
    {6, "", normal},
    {7, tecla, normal},
};

// A game: the start banner, then each round's announcement (`rodada`) and count-down on row 0,
// each on a screen of its own.
inline const tela jogo_iniciado = {
    {0, regua, verde},
    {1, "           JOGO INICIADO!", verde},
    {2, regua, verde},
};
inline const std::string contagem[] = {"Iniciando em 3", "Iniciando em 2", "Iniciando em 1",
                                       "GOOOOOOO!"};

// After the flashes: the legend and the instructions, then the questions (`pergunta`), one a row
// from row 12, each with the player's typing after it.
inline const std::string quais_cores = "Quais cores apareceram?";
inline const tela respostas = {
    {0, "1 - Vermelho", normal},
    {1, "2 - Azul", normal},
    {2, "3 - Verde", normal},
    {3, "4 - Amarelo", normal},
    {4, "5 - Roxo", normal},
    {5, "6 - Ciano", normal},
    {6, "", normal},
    {7, "ATENCAO: serao aceitos apenas os numeros que estao na tabela.", normal},
    {8, "Letras ou numeros diferentes serao considerados errados.", normal},
    {9, "", normal},
    {10, "", normal},
    {11, quais_cores, normal},
};
inline constexpr int linha_da_primeira_pergunta = 12;
// A round won: a blank row after the last question, these two rows, and the player's answer.
inline const std::string acertou = "ACERTOU!";
inline const std::string pergunta_seguir =
    "Pressione qualquer tecla para continuar ou N para sair:";

// A wrong answer, once every question is answered: the screen empty, then this one, with the
// colours that were flashed on row 7.
inline const tela sequencia_errada = {
    {0, regua, vermelho},
    {1, "             SEQUENCIA ERRADA!", vermelho},
    {2, regua, vermelho},
    {3, "", normal},
    {4, "Voce errou a ordem das cores!", cinza},
    {5, "", normal},
    {6, "Tente novamente!", amarelo},
};
inline linha_da_tela as_cores_eram(const std::vector<int>& sequencia) {
    std::string texto = "As cores eram:";
    for (int cor : sequencia)
        texto += std::to_string(cor) + ",";
    return {7, texto, normal};
}

// The fifth round won: the victory screen, then the fireworks, each frame from row 2 in its
// colour, held for its time.
inline const tela vitoria = {
    {0, regua, ciano},
    {1, "              V I T O R I A !", verde},
    {2, regua, ciano},
    {3, "", normal},
    {4, "        Parabens! Voce conseguiu!", cinza},
    {5, "", normal},
    {6, "        A sua memoria de cores", cinza},
    {7, "        esta ficando cada vez melhor!", cinza},
    {8, "", normal},
    {9, regua, ciano},
};
struct quadro_dos_fogos {
    int cor;
    int ms;
    std::vector<std::string> linhas;
};
inline const quadro_dos_fogos fogos[] = {
    {verde,
     300,
     {
         "                         *",
         "                  *     |     *",
         "                     \\  |  /",
         "                  *---  *  ---*",
         "                     /  |  \\",
         "                  *     |     *",
     }},
    {amarelo,
     300,
     {
         "              *       *       *",
         "          *       \\   |   /       *",
         "              \\    \\  |  /    /",
         "        *-------\\---  *  ---/-------*",
         "              /    /  |  \\    \\",
         "          *       /   |   \\       *",
         "              *       *       *",
     }},
    {ciano,
     500,
     {
         "       *                 *                 *",
         "          \\           /     \\           /",
         "     *      \\   *   /         \\   *   /      *",
         "             \\  | /             \\ | /",
         "        *------\\-*------   ------*-/-*------*",
         "             /  | \\             / | \\",
         "     *      /   *   \\         /   *   \\      *",
         "          /           \\     /           \\",
         "       *                 *                 *",
     }},
};
// A frame as rows of the screen: two blank rows, its lines, and a blank row after them.
inline tela linhas_do_quadro(const quadro_dos_fogos& q) {
    tela linhas = {{0, "", normal}, {1, "", normal}};
    for (const std::string& texto : q.linhas)
        linhas.push_back({static_cast<int>(linhas.size()), texto, q.cor});
    linhas.push_back({static_cast<int>(linhas.size()), "", normal});
    return linhas;
}

// --- Waits, in milliseconds on the game's clock; the flashes' and the fireworks' are above ------

namespace ms {
inline constexpr int jogo_iniciado = 1000;
inline constexpr int passo_da_contagem = 1000; // the announcement and each text of the count-down
inline constexpr int depois_das_cores = 100;   // the last flash's colour, empty, before the answers
inline constexpr int antes_da_rodada = 3000;   // after the go-on answer
inline constexpr int tela_vazia_do_erro = 1000;
inline constexpr int sequencia_certa = 4000; // the wrong-sequence screen with the colours flashed
inline constexpr int vitoria = 6000;
inline constexpr int opcao_invalida = 1000;
} // namespace ms

// --- A screen against these rows --------------------------------------------------------------

// The faults of a screen `colunas` wide against `linhas` (rows not listed are not looked at): the
// text of each row, and the colour of each character on it, `cor_normal` standing for `normal`.
// `celula(l, c)` gives the character of row l, column c ("" for the second half of a wide one)
// and its text colour.
template <class Celula>
std::vector<std::string> faltas(const tela& linhas, int colunas, int cor_normal, Celula celula) {
    std::vector<std::string> achadas;
    for (const linha_da_tela& l : linhas) {
        std::string texto;
        for (int c = 0; c < colunas; ++c)
            texto += celula(l.linha, c).first;
        std::string deve = l.texto;
        texto.erase(texto.find_last_not_of(' ') + 1);
        deve.erase(deve.find_last_not_of(' ') + 1);
        if (texto != deve) {
            achadas.push_back("row " + std::to_string(l.linha) + " is \"" + texto +
                              "\", should be \"" + deve + "\"");
            continue;
        }
        const int cor = l.cor == normal ? cor_normal : l.cor;
        for (int c = 0; c < colunas; ++c) {
            const auto [caractere, frente] = celula(l.linha, c);
            if (caractere == " " || caractere.empty() || frente == cor) continue;
            achadas.push_back("row " + std::to_string(l.linha) + " col " + std::to_string(c) +
                              " '" + caractere + "' has colour " + std::to_string(frente) +
                              ", should be " + std::to_string(cor));
            break;
        }
    }
    return achadas;
}

// The faults of a screen `colunas` x `linhas` against the menu drawn on it, the first five: the
// character and colour of every cell, the normal colour (`cor_normal`) where the menu writes
// nothing; `celula` as for `faltas`.
template <class Celula>
std::vector<std::string> faltas_do_menu(int colunas, int linhas, int cor_normal, Celula celula) {
    const menu_desenhado m = menu_em_celulas(colunas);
    std::vector<std::string> achadas;
    for (int l = 0; l < linhas; ++l) {
        for (int c = 0; c < colunas && achadas.size() < 5; ++c) {
            const auto escrita = m.celulas.find({l, c});
            auto [deve, cor] =
                escrita == m.celulas.end() ? std::pair{std::string(" "), normal} : escrita->second;
            if (cor == normal) cor = cor_normal;
            const auto [caractere, frente] = celula(l, c);
            if (caractere != deve || frente != cor)
                achadas.push_back("cell " + std::to_string(l) + "," + std::to_string(c) + " is '" +
                                  caractere + "' in " + std::to_string(frente) + ", should be '" +
                                  deve + "' in " + std::to_string(cor));
        }
    }
    return achadas;
}

} // namespace esperado
