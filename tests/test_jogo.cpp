// Whole games on the virtual terminal: the menu, the rounds, the endings, and bad input.
#include "tests/telas_esperadas.h"
#include "tests/terminal_virtual.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>

namespace {

// The background every cell has, or `cor_padrao - 1` when they differ.
int fundo_uniforme(const quadro& tela) {
    const int fundo = tela[0][0].fundo;
    for (const auto& linha : tela)
        for (const celula& c : linha)
            if (c.fundo != fundo) return cor_padrao - 1;
    return fundo;
}

bool vazia(const quadro& tela) {
    for (int l = 0; l < static_cast<int>(tela.size()); ++l)
        if (!vt_linha(l, tela).empty()) return false;
    return true;
}

// A cell's character and text colour, as the checks of telas_esperadas.h take them.
auto celulas_de(const quadro& tela) {
    return [&tela](int l, int c) {
        const celula& x = tela[static_cast<std::size_t>(l)][static_cast<std::size_t>(c)];
        return std::pair{x.caractere, x.frente};
    };
}

std::string juntas(const std::vector<std::string>& faltas) {
    std::string texto;
    for (const std::string& falta : faltas)
        texto += falta + "; ";
    return texto;
}

// The faults of a screen against the rows it should show, `normal` being the normal text colour
// there: the terminal's own until the game sets a scheme, light grey after.
std::string faltas(const quadro& tela, const esperado::tela& linhas, int normal = esperado::cinza) {
    return juntas(
        esperado::faltas(linhas, static_cast<int>(tela[0].size()), normal, celulas_de(tela)));
}

// A player who reads the flashed colours off the screen and types them back, unless told
// otherwise, and types the given lines at the menu and at the go-on prompt.
struct robo {
    std::deque<std::string> no_menu;
    std::deque<std::string> ao_seguir;
    // The line typed for question `pergunta` (from 1), given the colour that was flashed; by
    // default the colour itself.
    std::function<std::optional<std::string>(const robo& quem, int pergunta, int cor)> responder =
        [](const robo&, int, int cor) { return std::to_string(cor) + "\n"; };
    std::vector<std::vector<int>> vistas; // the colours seen flashed, round by round
    std::size_t eventos_vistos = 0;
    int perguntas_feitas = 0, vezes_no_menu = 0, vezes_ao_seguir = 0;
};

void olhar_piscadas(robo& r) {
    const auto& eventos = vt_eventos();
    for (; r.eventos_vistos < eventos.size(); ++r.eventos_vistos) {
        const evento& e = eventos[r.eventos_vistos];
        const int k = esperado::numero_em(vt_linha(0, e.tela), esperado::piscada);
        const int cor = esperado::numero_da_cor(fundo_uniforme(e.tela));
        if (e.tipo != evento::espera || cor == 0 || k <= 0) continue;
        if (k == 1) r.vistas.emplace_back();
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

// A run with the robot on a fresh terminal 80 columns wide, until the input ends with status 0.
std::shared_ptr<robo> jogar(std::deque<std::string> no_menu, std::deque<std::string> ao_seguir = {},
                            decltype(robo::responder) responder = {}) {
    vt_reiniciar(80);
    auto r = std::make_shared<robo>();
    r->no_menu = std::move(no_menu);
    r->ao_seguir = std::move(ao_seguir);
    if (responder) r->responder = std::move(responder);
    vt_jogador([r]() -> std::optional<std::string> {
        olhar_piscadas(*r);
        const std::string prompt = ultima_linha_escrita();
        // The question waited on is the row's last: an answer typed ahead of its question, which
        // the game takes without a read, leaves the next question on the same row.
        const auto ultima = prompt.rfind(esperado::antes_do_numero(esperado::pergunta));
        const std::string_view questao =
            ultima == std::string::npos ? "" : std::string_view(prompt).substr(ultima);
        if (const int pergunta = esperado::numero_em(questao, esperado::pergunta); pergunta > 0) {
            ++r->perguntas_feitas;
            return r->responder(*r, pergunta,
                                r->vistas.back().at(static_cast<std::size_t>(pergunta - 1)));
        }
        if (prompt == esperado::pergunta_seguir) {
            ++r->vezes_ao_seguir;
            return proxima(r->ao_seguir);
        }
        if (prompt == esperado::aviso_do_menu) {
            ++r->vezes_no_menu;
            return proxima(r->no_menu);
        }
        ADD_FAILURE() << "the game waits on an unknown prompt: " << prompt;
        return std::nullopt;
    });
    EXPECT_EQ(vt_executar(), 0);
    return r;
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
        if (e.tipo == evento::leitura && vt_linha(24, e.tela) == esperado::aviso_do_menu) ++n;
    return n;
}

int esperas_com(const std::string& texto, int linha) {
    int n = 0;
    for (const evento& e : esperas())
        if (vt_linha(linha, e.tela).find(texto) != std::string::npos) ++n;
    return n;
}

} // namespace

// Every cell of the menu, in its colour, the terminal's own wherever the menu writes nothing (no
// row's colour is set before its column): centred; from the left edge at 39 columns, the second
// warning wrapped; and, narrower than the block, run on from the top-left corner, as nothing
// moves the cursor.
TEST(Menu, CentradoNaLarguraComSuasCores) {
    for (int largura : {80, 39, 120, 38}) {
        SCOPED_TRACE("width " + std::to_string(largura));
        vt_reiniciar(largura);
        vt_entrada({});
        EXPECT_EQ(vt_executar(), 0);
        const quadro& tela = vt_eventos().back().tela;
        EXPECT_EQ(juntas(esperado::faltas_do_menu(largura, static_cast<int>(tela.size()),
                                                  cor_padrao, celulas_de(tela))),
                  "");
        EXPECT_EQ(vt_linha_do_cursor(), esperado::menu_em_celulas(largura).linha);
        EXPECT_TRUE(vt_desconhecidas().empty());
    }
}

TEST(Menu, OpcaoInvalidaUmaVezPorEntrada) {
    vt_reiniciar(80);
    vt_entrada({"7\n", "abc 1\n", "0\n", "-1\n", "99999999999\n", "4\n"});
    EXPECT_EQ(vt_executar(), 0);
    const auto lista = esperas();
    ASSERT_EQ(lista.size(), 6u) << "one message for each line, and no message without input";
    for (const evento& e : lista) {
        EXPECT_EQ(e.ms, esperado::ms::opcao_invalida);
        // An empty row after the typed option, then the message.
        EXPECT_EQ(faltas(e.tela, {{27, "", esperado::normal}, esperado::opcao_invalida}), "");
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
    EXPECT_EQ(faltas(eventos[1].tela, esperado::regras, cor_padrao), "");
    EXPECT_EQ(faltas(eventos[2].tela, esperado::creditos, cor_padrao), "");
    EXPECT_EQ(vt_linha(24, eventos[3].tela), esperado::aviso_do_menu)
        << "the menu again after the key";
}

TEST(Jogo, VitoriaComTodasAsEsperasETelas) {
    const auto r = jogar({"1\n"}, {"s\n", "s\n", "s\n", "s\n", "S\n"});
    ASSERT_EQ(r->vistas.size(), 5u);

    std::vector<int> previstas = {esperado::ms::jogo_iniciado};
    for (std::size_t rodada = 0; rodada < 5; ++rodada) {
        ASSERT_EQ(r->vistas[rodada].size(), rodada + 2);
        previstas.insert(previstas.end(), 5, esperado::ms::passo_da_contagem);
        for (int cor : r->vistas[rodada])
            previstas.push_back(esperado::cores[cor - 1].ms);
        previstas.push_back(esperado::ms::depois_das_cores);
        previstas.push_back(esperado::ms::antes_da_rodada);
    }
    previstas.push_back(esperado::ms::vitoria);
    for (const auto& quadro : esperado::fogos)
        previstas.push_back(quadro.ms);
    const auto lista = esperas();
    ASSERT_EQ(tempos(lista), previstas);

    EXPECT_EQ(faltas(lista[0].tela, esperado::jogo_iniciado), "");
    std::size_t i = 1;
    for (int rodada = 1; rodada <= 5; ++rodada) {
        SCOPED_TRACE("round " + std::to_string(rodada));
        std::vector<std::string> contagem = {esperado::com_numero(esperado::rodada, rodada)};
        contagem.insert(contagem.end(), std::begin(esperado::contagem),
                        std::end(esperado::contagem));
        for (const std::string& texto : contagem) {
            EXPECT_EQ(vt_linha(0, lista[i].tela), texto);
            EXPECT_TRUE(vt_linha(1, lista[i].tela).empty());
            ++i;
        }
        const auto& vistas = r->vistas[rodada - 1];
        for (int k = 1; k <= static_cast<int>(vistas.size()); ++k, ++i) {
            EXPECT_EQ(vt_linha(0, lista[i].tela), esperado::com_numero(esperado::piscada, k));
            EXPECT_EQ(lista[i].tela[0][0].frente, esperado::branco_brilhante);
        }
        EXPECT_TRUE(vazia(lista[i].tela)) << "the 100 ms after the last flash";
        EXPECT_NE(esperado::numero_da_cor(fundo_uniforme(lista[i].tela)), 0)
            << "still the flash colour";
        ++i;
        const quadro& respostas = lista[i++].tela; // the wait after the go-on answer
        EXPECT_EQ(fundo_uniforme(respostas), esperado::preto) << "the normal scheme is back";
        esperado::tela linhas = esperado::respostas;
        int l = esperado::linha_da_primeira_pergunta;
        for (int k = 1; k <= static_cast<int>(vistas.size()); ++k)
            linhas.push_back(
                {l++, esperado::com_numero(esperado::pergunta, k) + std::to_string(vistas[k - 1]),
                 esperado::normal});
        linhas.push_back({l, "", esperado::normal});
        linhas.push_back({l + 1, esperado::acertou, esperado::normal});
        linhas.push_back(
            {l + 2, esperado::pergunta_seguir + (rodada < 5 ? "s" : "S"), esperado::normal});
        EXPECT_EQ(faltas(respostas, linhas), "");
    }
    EXPECT_EQ(faltas(lista[i++].tela, esperado::vitoria), "");
    for (const auto& quadro : esperado::fogos)
        EXPECT_EQ(faltas(lista[i++].tela, esperado::linhas_do_quadro(quadro)), "");
    EXPECT_EQ(menus_mostrados(), 2) << "the menu again after the fireworks";
    EXPECT_TRUE(vt_desconhecidas().empty());
}

TEST(Jogo, RespostaErradaMostraASequenciaCerta) {
    const auto r = jogar({"1\n"}, {}, [](const robo&, int pergunta, int cor) {
        return std::to_string(pergunta == 1 ? cor % 6 + 1 : cor) + "\n";
    });
    EXPECT_EQ(r->perguntas_feitas, 2) << "every question is asked after a wrong first answer";
    const auto lista = esperas();
    ASSERT_GE(lista.size(), 3u);
    const evento& vazio = lista[lista.size() - 2];
    const evento& errada = lista.back();
    EXPECT_EQ(vazio.ms, esperado::ms::tela_vazia_do_erro);
    EXPECT_TRUE(vazia(vazio.tela));
    EXPECT_EQ(errada.ms, esperado::ms::sequencia_certa);
    // The colours flashed in the normal colour: the colour was reset after the screen.
    esperado::tela linhas = esperado::sequencia_errada;
    linhas.push_back(esperado::as_cores_eram(r->vistas.at(0)));
    EXPECT_EQ(faltas(errada.tela, linhas), "");
    EXPECT_EQ(menus_mostrados(), 2);
}

TEST(Jogo, SairComNOuComNo) {
    // "n" after round 1 leaves; the next game starts again at round 1 with two colours; "no"
    // after its round 1 leaves too, and the "o" is one invalid option at the menu.
    const auto r = jogar({"1\n", "1\n"}, {"n\n", "no\n"});
    ASSERT_EQ(r->vistas.size(), 2u);
    EXPECT_EQ(r->vistas[0].size(), 2u);
    EXPECT_EQ(r->vistas[1].size(), 2u);
    EXPECT_EQ(esperas_com(esperado::com_numero(esperado::rodada, 2), 0), 0);
    EXPECT_EQ(esperas_com(esperado::titulo(esperado::vitoria), 1), 0);
    // The "o" was not typed at the menu, so the message stands a row higher, right below it.
    const auto& invalida = esperado::opcao_invalida;
    EXPECT_EQ(esperas_com(invalida.texto, invalida.linha - 1), 1);
    EXPECT_EQ(menus_mostrados(), 3) << "the menu after the o takes it without waiting";
}

TEST(Jogo, NaUltimaRodadaNSaiSemVitoria) {
    const auto r = jogar({"1\n"}, {"s\n", "s\n", "s\n", "s\n", "N\n"});
    EXPECT_EQ(r->vistas.size(), 5u);
    EXPECT_EQ(esperas_com(esperado::titulo(esperado::vitoria), 1), 0);
}

TEST(Jogo, EnterSozinhoAoSeguirContinuaEsperando) {
    const auto r = jogar({"1\n"}, {"\n", "   \n", "s\n", "n\n"});
    EXPECT_EQ(r->vezes_ao_seguir, 4);
    EXPECT_EQ(r->vistas.size(), 2u);
}

TEST(Jogo, UmAbcPerdeARodadaSemSerLidoDeNovo) {
    const auto r = jogar({"1abc\n"});
    EXPECT_EQ(r->perguntas_feitas, 1) << "abc answers the first question; the player the second";
    EXPECT_EQ(esperas_com(esperado::titulo(esperado::sequencia_errada), 1), 1);
    EXPECT_EQ(esperas_com(esperado::opcao_invalida.texto, esperado::opcao_invalida.linha), 0)
        << "the abc never reaches the menu";
    EXPECT_EQ(menus_mostrados(), 2);
}

TEST(Jogo, SimContinuaEOImPerdeAProximaRodada) {
    const auto r = jogar({"1\n"}, {"sim\n"});
    ASSERT_EQ(r->vistas.size(), 2u);
    EXPECT_EQ(r->perguntas_feitas, 2 + 2) << "round 2's first answer was the im";
    EXPECT_EQ(esperas_com(esperado::titulo(esperado::sequencia_errada), 1), 1);
}

TEST(Jogo, DuasRespostasNaMesmaLinha) {
    const auto r = jogar({"1\n"}, {"n\n"},
                         [](const robo& quem, int pergunta, int) -> std::optional<std::string> {
                             const auto& v = quem.vistas.back();
                             if (pergunta == 1)
                                 return std::to_string(v[0]) + " " + std::to_string(v[1]) + "\n";
                             ADD_FAILURE() << "the second answer was already typed";
                             return std::nullopt;
                         });
    EXPECT_EQ(r->vezes_ao_seguir, 1) << "the round was won";
}

TEST(Jogo, FimDaEntradaEmCadaLeituraTerminaComZero) {
    // At an answer: the player stops typing at round 1's first question.
    auto r = jogar({"1\n"}, {}, [](const robo&, int, int) { return std::nullopt; });
    EXPECT_EQ(r->perguntas_feitas, 1);
    EXPECT_EQ(vt_eventos().back().tipo, evento::leitura);

    // At the go-on prompt.
    r = jogar({"1\n"});
    EXPECT_EQ(r->vezes_ao_seguir, 1);
    EXPECT_EQ(esperas_com(esperado::com_numero(esperado::rodada, 2), 0), 0);
    EXPECT_EQ(vt_eventos().back().tipo, evento::leitura);
}
