// Whole games on the virtual terminal: the menu, the rounds, the endings, and bad input.
#include "tests/terminal_virtual.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

constexpr int preto = 0, vermelho = 1, verde = 2, amarelo = 3, azul = 4, magenta = 5, ciano = 6,
              cinza = 7, branco_brilhante = 15;

const char* const aviso_do_menu = "Letras ou numeros diferentes serão considerados errados.";
const char* const pergunta_seguir = "Pressione qualquer tecla para continuar ou N para sair:";

// The colour number that a flash background stands for; 0 for none.
int numero_da_cor(int fundo) {
    switch (fundo) {
    case vermelho:
        return 1;
    case azul:
        return 2;
    case verde:
        return 3;
    case amarelo:
        return 4;
    case magenta:
        return 5;
    case ciano:
        return 6;
    default:
        return 0;
    }
}

// The background every cell has, or `cor_padrao - 1` when they differ.
int fundo_uniforme(const quadro& tela) {
    const int fundo = tela[0][0].fundo;
    for (const auto& linha : tela)
        for (const celula& c : linha)
            if (c.fundo != fundo) return cor_padrao - 1;
    return fundo;
}

bool comeca_com(const std::string& texto, const std::string& inicio) {
    return texto.rfind(inicio, 0) == 0;
}

bool vazia(const quadro& tela) {
    for (int l = 0; l < static_cast<int>(tela.size()); ++l)
        if (!vt_linha(l, tela).empty()) return false;
    return true;
}

// A player who reads the flashed colours off the screen and types them back, unless told
// otherwise, and types the given lines at the menu and at the go-on prompt.
struct robo {
    std::deque<std::string> no_menu;
    std::deque<std::string> ao_seguir;
    // The line typed for question `pergunta` of round `rodada` (both from 1), given the colour
    // that was flashed; by default the colour itself.
    std::function<std::optional<std::string>(int rodada, int pergunta, int cor)> responder =
        [](int, int, int cor) { return std::to_string(cor) + "\n"; };
    std::vector<std::vector<int>> vistas; // the colours seen flashed, round by round
    std::size_t eventos_vistos = 0;
    int perguntas_feitas = 0, vezes_no_menu = 0, vezes_ao_seguir = 0;
};

void olhar_piscadas(robo& r) {
    const auto& eventos = vt_eventos();
    for (; r.eventos_vistos < eventos.size(); ++r.eventos_vistos) {
        const evento& e = eventos[r.eventos_vistos];
        const std::string topo = vt_linha(0, e.tela);
        const int cor = numero_da_cor(fundo_uniforme(e.tela));
        if (e.tipo != evento::espera || cor == 0 || !comeca_com(topo, "Cor:")) continue;
        if (topo == "Cor:1") r.vistas.emplace_back();
        r.vistas.back().push_back(cor);
    }
}

// The last row with text at or above the cursor: the prompt the game is waiting on.
std::string ultima_linha_escrita() {
    for (int l = vt_linha_do_cursor(); l >= 0; --l)
        if (std::string texto = vt_linha(l); !texto.empty()) return texto;
    return {};
}

std::optional<std::string> proxima(std::deque<std::string>& fila) {
    if (fila.empty()) return std::nullopt;
    std::string linha = fila.front();
    fila.pop_front();
    return linha;
}

void jogar_com(const std::shared_ptr<robo>& r) {
    vt_jogador([r]() -> std::optional<std::string> {
        olhar_piscadas(*r);
        const std::string prompt = ultima_linha_escrita();
        if (comeca_com(prompt, "Digite a cor ")) {
            const int pergunta = std::stoi(prompt.substr(13));
            ++r->perguntas_feitas;
            const auto& vistas = r->vistas.back();
            return r->responder(static_cast<int>(r->vistas.size()), pergunta,
                                vistas.at(static_cast<std::size_t>(pergunta - 1)));
        }
        if (comeca_com(prompt, pergunta_seguir)) {
            ++r->vezes_ao_seguir;
            return proxima(r->ao_seguir);
        }
        if (prompt == aviso_do_menu) {
            ++r->vezes_no_menu;
            return proxima(r->no_menu);
        }
        ADD_FAILURE() << "the game waits on an unknown prompt: " << prompt;
        return std::nullopt;
    });
}

std::vector<evento> esperas() {
    std::vector<evento> lista;
    for (const evento& e : vt_eventos())
        if (e.tipo == evento::espera) lista.push_back(e);
    return lista;
}

std::vector<int> tempos(const std::vector<evento>& lista) {
    std::vector<int> ms;
    for (const evento& e : lista)
        ms.push_back(e.ms);
    return ms;
}

// The screens shown with the menu waiting for its option, in order.
int menus_mostrados() {
    int n = 0;
    for (const evento& e : vt_eventos())
        if (e.tipo == evento::leitura && vt_linha(24, e.tela) == aviso_do_menu) ++n;
    return n;
}

int esperas_com(const std::string& texto, int linha) {
    int n = 0;
    for (const evento& e : esperas())
        if (vt_linha(linha, e.tela).find(texto) != std::string::npos) ++n;
    return n;
}

struct linha_esperada {
    int linha;
    std::string texto;
    int frente;
};

const std::vector<linha_esperada> menu_esperado = {
    {2, "          *        .        *", ciano},
    {3, "     .        .         .        .", ciano},
    {5, "========================================", ciano},
    {6, "         Q U I R E L O   Z A V", ciano},
    {7, "              T U N I X", ciano},
    {8, "========================================", ciano},
    {10, "     .        .         .        .", ciano},
    {11, "          *        .        *", ciano},
    {14, "[ 1 ] COMECAR JOGO", verde},
    {16, "[ 2 ] REGRAS", amarelo},
    {18, "[ 3 ] CREDITOS", vermelho},
    {20, "========================================", ciano},
    {22, "Opcao: ", cinza},
};

} // namespace

TEST(Menu, CentradoNaLarguraComSuasCores) {
    for (int largura : {80, 39, 120}) {
        vt_reiniciar(largura);
        vt_entrada({});
        EXPECT_EQ(vt_executar(), 0);
        const quadro& tela = vt_eventos().back().tela;
        const int coluna = (largura - 40) / 2 > 0 ? (largura - 40) / 2 : 0;
        for (const auto& [linha, texto, frente] : menu_esperado) {
            std::string esperado = std::string(static_cast<std::size_t>(coluna), ' ') + texto;
            esperado.resize(std::min<std::size_t>(esperado.size(), largura)); // wraps at the edge
            esperado.erase(esperado.find_last_not_of(' ') + 1);
            EXPECT_EQ(vt_linha(linha, tela), esperado) << "width " << largura << " row " << linha;
            EXPECT_EQ(tela[linha][coluna].frente, frente) << "row " << linha;
            if (coluna > 0) {
                EXPECT_EQ(tela[linha][coluna - 1].frente, cor_padrao);
            }
        }
        EXPECT_EQ(vt_linha(23, tela), "ATENCAO: serao aceitos apenas numeros.");
        EXPECT_EQ(tela[24][32].caractere, "ã");
        EXPECT_EQ(tela[23][0].frente, cor_padrao) << "the warnings are in the normal colour";
        if (largura >= 80) {
            EXPECT_EQ(vt_linha(24, tela), aviso_do_menu);
            EXPECT_EQ(vt_linha_do_cursor(), 26) << "the player types at the start of row 26";
        }
        EXPECT_TRUE(vt_desconhecidas().empty());
    }
}

TEST(Menu, JanelaEstreitaDemaisEscreveOndeOCursorEsta) {
    vt_reiniciar(38);
    vt_entrada({});
    vt_executar();
    // Nothing moves the cursor, so the menu's texts run on from the top-left corner.
    std::string corrido, na_tela;
    for (const auto& l : menu_esperado)
        corrido += l.texto;
    for (int linha = 0; linha < 12; ++linha) {
        std::string texto = vt_linha(linha);
        texto.resize(38, ' ');
        na_tela += texto;
    }
    EXPECT_EQ(na_tela.substr(0, corrido.size()), corrido);
}

TEST(Menu, OpcaoInvalidaUmaVezPorEntrada) {
    vt_reiniciar(80);
    vt_entrada({"7\n", "abc 1\n", "0\n", "-1\n", "99999999999\n", "4\n"});
    EXPECT_EQ(vt_executar(), 0);
    const auto lista = esperas();
    ASSERT_EQ(lista.size(), 6u) << "one message for each line, and no message without input";
    for (const evento& e : lista) {
        EXPECT_EQ(e.ms, 1000);
        EXPECT_EQ(vt_linha(27, e.tela), "") << "an empty line after the typed option";
        EXPECT_EQ(vt_linha(28, e.tela), "Opcao invalida!");
        EXPECT_EQ(e.tela[28][0].frente, vermelho);
    }
    EXPECT_EQ(menus_mostrados(), 7);
}

TEST(Menu, RegrasECreditosComDoisNumerosNaMesmaLinha) {
    vt_reiniciar(80);
    vt_entrada({"2 3\n"});
    EXPECT_EQ(vt_executar(), 0);
    const auto& eventos = vt_eventos();
    ASSERT_EQ(eventos.size(), 4u);
    EXPECT_EQ(eventos[1].tipo, evento::tecla) << "the rules, until a key";
    EXPECT_EQ(eventos[2].tipo, evento::tecla) << "the waiting 3 shows the credits at once";

    const quadro& regras = eventos[1].tela;
    EXPECT_EQ(vt_linha(1, regras), "              REGRAS");
    EXPECT_EQ(regras[1][14].frente, amarelo);
    EXPECT_EQ(vt_linha(4, regras), "1 - O jogo exibira uma sequencia de cores.");
    EXPECT_EQ(vt_linha(10, regras), "7 - Se voce errar a ordem das cores, o jogo termina.");
    EXPECT_EQ(regras[10][0].frente, cinza);
    EXPECT_EQ(vt_linha(13, regras), "           TABELA DE CORES");
    const std::pair<const char*, int> paleta[] = {
        {"1 - vermelho", vermelho}, {"2 - Azul", azul},    {"3 - Verde", verde},
        {"4 - Amarelo", amarelo},   {"5 - Roxo", magenta}, {"6 - Ciano", ciano}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(vt_linha(16 + i, regras), paleta[i].first);
        EXPECT_EQ(regras[16 + i][0].frente, paleta[i].second);
    }
    EXPECT_EQ(vt_linha(22, regras), "Pressione qualquer tecla para continuar. . .");
    EXPECT_EQ(regras[22][0].frente, cor_padrao);

    const quadro& creditos = eventos[2].tela;
    EXPECT_EQ(vt_linha(1, creditos), "             CREDITOS");
    EXPECT_EQ(creditos[0][0].frente, vermelho);
    EXPECT_FALSE(vt_linha(4, creditos).empty());
    EXPECT_FALSE(vt_linha(5, creditos).empty());
    EXPECT_EQ(creditos[4][0].frente, cinza);
    EXPECT_EQ(vt_linha(6, creditos), "");
    EXPECT_EQ(vt_linha(7, creditos), "Pressione qualquer tecla para continuar. . .");
    EXPECT_EQ(vt_linha(24, eventos[3].tela), aviso_do_menu) << "the menu again after the key";
}

TEST(Jogo, VitoriaComTodasAsEsperasETelas) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->ao_seguir = {"s\n", "s\n", "s\n", "s\n", "S\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    ASSERT_EQ(r->vistas.size(), 5u);

    std::vector<int> esperado = {1000};
    for (std::size_t rodada = 0; rodada < 5; ++rodada) {
        ASSERT_EQ(r->vistas[rodada].size(), rodada + 2);
        esperado.insert(esperado.end(), 5, 1000);
        for (int cor : r->vistas[rodada])
            esperado.push_back(cor == 1 ? 3000 : 1500);
        esperado.push_back(100);
        esperado.push_back(3000);
    }
    esperado.insert(esperado.end(), {6000, 300, 300, 500});
    const auto lista = esperas();
    ASSERT_EQ(tempos(lista).size(), esperado.size());
    ASSERT_EQ(tempos(lista), esperado);

    EXPECT_EQ(vt_linha(1, lista[0].tela), "           JOGO INICIADO!");
    EXPECT_EQ(lista[0].tela[0][0].frente, verde);
    std::size_t i = 1;
    for (int rodada = 1; rodada <= 5; ++rodada) {
        const std::string contagem[] = {"Rodada " + std::to_string(rodada), "Iniciando em 3",
                                        "Iniciando em 2", "Iniciando em 1", "GOOOOOOO!"};
        for (const std::string& texto : contagem) {
            EXPECT_EQ(vt_linha(0, lista[i].tela), texto);
            EXPECT_TRUE(vt_linha(1, lista[i].tela).empty());
            ++i;
        }
        for (std::size_t k = 1; k <= r->vistas[rodada - 1].size(); ++k, ++i) {
            EXPECT_EQ(vt_linha(0, lista[i].tela), "Cor:" + std::to_string(k));
            EXPECT_EQ(lista[i].tela[0][0].frente, branco_brilhante);
        }
        EXPECT_TRUE(vazia(lista[i].tela)) << "the 100 ms after the last flash";
        EXPECT_NE(numero_da_cor(fundo_uniforme(lista[i].tela)), 0) << "still the flash colour";
        ++i;
        const quadro& seguir = lista[i++].tela; // the 3000 ms after the go-on answer
        const int perguntas = rodada + 1;
        EXPECT_EQ(fundo_uniforme(seguir), preto) << "the normal scheme is back";
        EXPECT_EQ(seguir[0][0].frente, cinza);
        EXPECT_EQ(vt_linha(0, seguir), "1 - Vermelho");
        EXPECT_EQ(vt_linha(5, seguir), "6 - Ciano");
        EXPECT_EQ(vt_linha(7, seguir),
                  "ATENCAO: serao aceitos apenas os numeros que estao na tabela.");
        EXPECT_EQ(vt_linha(8, seguir), "Letras ou numeros diferentes serao considerados errados.");
        EXPECT_EQ(vt_linha(11, seguir), "Quais cores apareceram?");
        for (int k = 1; k <= perguntas; ++k)
            EXPECT_EQ(vt_linha(11 + k, seguir), "Digite a cor " + std::to_string(k) + ":" +
                                                    std::to_string(r->vistas[rodada - 1][k - 1]));
        EXPECT_EQ(vt_linha(13 + perguntas, seguir), "ACERTOU!");
        EXPECT_TRUE(comeca_com(vt_linha(14 + perguntas, seguir), pergunta_seguir));
    }
    const quadro& vitoria = lista[i++].tela;
    EXPECT_EQ(vt_linha(1, vitoria), "              V I T O R I A !");
    EXPECT_EQ(vitoria[1][14].frente, verde);
    EXPECT_EQ(vitoria[0][0].frente, ciano);
    EXPECT_EQ(vt_linha(4, vitoria), "        Parabens! Voce conseguiu!");
    EXPECT_EQ(vt_linha(7, vitoria), "        esta ficando cada vez melhor!");
    EXPECT_EQ(vitoria[9][0].frente, ciano);
    const std::pair<int, std::string> fogos[] = {
        {verde, "                         *"},
        {amarelo, "              *       *       *"},
        {ciano, "       *                 *                 *"}};
    for (const auto& [cor, primeira] : fogos) {
        const quadro& q = lista[i++].tela;
        EXPECT_TRUE(vt_linha(0, q).empty() && vt_linha(1, q).empty());
        EXPECT_EQ(vt_linha(2, q), primeira);
        EXPECT_EQ(q[2][primeira.find('*')].frente, cor);
    }
    EXPECT_EQ(vt_linha(10, lista.back().tela), "       *                 *                 *");
    EXPECT_EQ(menus_mostrados(), 2) << "the menu again after the fireworks";
    EXPECT_TRUE(vt_desconhecidas().empty());
}

TEST(Jogo, RespostaErradaMostraASequenciaCerta) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->responder = [](int, int pergunta, int cor) {
        return std::to_string(pergunta == 1 ? cor % 6 + 1 : cor) + "\n";
    };
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->perguntas_feitas, 2) << "every question is asked after a wrong first answer";
    const auto lista = esperas();
    ASSERT_GE(lista.size(), 3u);
    const evento& vazio = lista[lista.size() - 2];
    const evento& errada = lista.back();
    EXPECT_EQ(vazio.ms, 1000);
    EXPECT_TRUE(vazia(vazio.tela));
    EXPECT_EQ(errada.ms, 4000);
    EXPECT_EQ(vt_linha(1, errada.tela), "             SEQUENCIA ERRADA!");
    EXPECT_EQ(errada.tela[1][13].frente, vermelho);
    EXPECT_EQ(vt_linha(4, errada.tela), "Voce errou a ordem das cores!");
    EXPECT_EQ(errada.tela[4][0].frente, cinza);
    EXPECT_EQ(vt_linha(6, errada.tela), "Tente novamente!");
    EXPECT_EQ(errada.tela[6][0].frente, amarelo);
    const auto& vistas = r->vistas.at(0);
    EXPECT_EQ(vt_linha(7, errada.tela),
              "As cores eram:" + std::to_string(vistas[0]) + "," + std::to_string(vistas[1]) + ",");
    EXPECT_EQ(errada.tela[7][0].frente, cinza) << "the colour was reset after the screen";
    EXPECT_EQ(menus_mostrados(), 2);
}

TEST(Jogo, SairComNOuComNo) {
    // "n" after round 1 leaves; the next game starts again at round 1 with two colours; "no"
    // after its round 1 leaves too, and the "o" is one invalid option at the menu.
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n", "1\n"};
    r->ao_seguir = {"n\n", "no\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    ASSERT_EQ(r->vistas.size(), 2u);
    EXPECT_EQ(r->vistas[0].size(), 2u);
    EXPECT_EQ(r->vistas[1].size(), 2u);
    EXPECT_EQ(esperas_com("Rodada 2", 0), 0);
    EXPECT_EQ(esperas_com("V I T O R I A", 1), 0);
    // The "o" was not typed at the menu, so the message stands right below the menu.
    EXPECT_EQ(esperas_com("Opcao invalida!", 27), 1);
    EXPECT_EQ(menus_mostrados(), 3) << "the menu after the o takes it without waiting";
}

TEST(Jogo, NaUltimaRodadaNSaiSemVitoria) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->ao_seguir = {"s\n", "s\n", "s\n", "s\n", "N\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->vistas.size(), 5u);
    EXPECT_EQ(esperas_com("V I T O R I A", 1), 0);
}

TEST(Jogo, EnterSozinhoAoSeguirContinuaEsperando) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->ao_seguir = {"\n", "   \n", "s\n", "n\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->vezes_ao_seguir, 4);
    EXPECT_EQ(r->vistas.size(), 2u);
}

TEST(Jogo, UmAbcPerdeARodadaSemSerLidoDeNovo) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1abc\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->perguntas_feitas, 1) << "abc answers the first question; the player the second";
    EXPECT_EQ(esperas_com("SEQUENCIA ERRADA!", 1), 1);
    EXPECT_EQ(esperas_com("Opcao invalida!", 28), 0) << "the abc never reaches the menu";
    EXPECT_EQ(menus_mostrados(), 2);
}

TEST(Jogo, SimContinuaEOImPerdeAProximaRodada) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->ao_seguir = {"sim\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    ASSERT_EQ(r->vistas.size(), 2u);
    EXPECT_EQ(r->perguntas_feitas, 2 + 2) << "round 2's first answer was the im";
    EXPECT_EQ(esperas_com("SEQUENCIA ERRADA!", 1), 1);
}

TEST(Jogo, DuasRespostasNaMesmaLinha) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->ao_seguir = {"n\n"};
    // A plain pointer: the robot holding a shared pointer to itself would never be freed.
    r->responder = [quem = r.get()](int, int pergunta, int) -> std::optional<std::string> {
        const auto& v = quem->vistas.back();
        if (pergunta == 1) return std::to_string(v[0]) + " " + std::to_string(v[1]) + "\n";
        ADD_FAILURE() << "the second answer was already typed";
        return std::nullopt;
    };
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->vezes_ao_seguir, 1) << "the round was won";
}

TEST(Jogo, FimDaEntradaEmCadaLeituraTerminaComZero) {
    // At an answer: the player stops typing at round 1's first question.
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    r->responder = [](int, int, int) { return std::nullopt; };
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->perguntas_feitas, 1);
    EXPECT_EQ(vt_eventos().back().tipo, evento::leitura);

    // At the go-on prompt.
    vt_reiniciar(80);
    r = std::make_shared<robo>();
    r->no_menu = {"1\n"};
    jogar_com(r);
    EXPECT_EQ(vt_executar(), 0);
    EXPECT_EQ(r->vezes_ao_seguir, 1);
    EXPECT_EQ(esperas_com("Rodada 2", 0), 0);
    EXPECT_EQ(vt_eventos().back().tipo, evento::leitura);
}
