// Makes the README's pictures: plays the real game in a pseudo-terminal rendered by libvterm and
// saves the menu, a colour flash, the answer screen and the victory screen as SVG files.
#include "robot.h"
#include "svg_tela.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

namespace {

using e2e::milliseconds;

constexpr int linhas = 28, colunas = 80;
constexpr milliseconds limite{20000};

struct falha {
    std::string texto;
};

void salvar(const std::string& pasta, const char* nome, const e2e::Screen& tela,
            const char* titulo) {
    const std::string caminho = pasta + "/" + nome;
    std::ofstream arquivo(caminho, std::ios::binary);
    arquivo << capturas::svg_da_tela(tela, titulo);
    if (!arquivo.flush()) throw falha{"cannot write " + caminho};
    std::printf("%s\n", caminho.c_str());
}

void esperar_texto(e2e::Game& jogo, const std::string& texto) {
    if (!jogo.wait_for_text(texto, limite))
        throw falha{"\"" + texto + "\" did not show:\n" + jogo.screen().dump()};
}

// Plays round `rodada` as a robot that reads the flashes; `ao_piscar` sees each flash while
// it is shown.
void jogar_rodada(e2e::Game& jogo, int rodada, const std::function<void(int, int)>& ao_piscar) {
    // The last round's questions stay on screen until this one is announced.
    esperar_texto(jogo, esperado::com_numero(esperado::rodada, rodada));
    const std::optional<e2e::RoundSeen> vista = e2e::watch_round(jogo, ao_piscar, limite);
    if (!vista) throw falha{"the round's questions did not come:\n" + jogo.screen().dump()};
    if (vista->colours.size() != static_cast<std::size_t>(rodada + 1))
        throw falha{"round " + std::to_string(rodada) + " showed the colours " +
                    e2e::join(vista->colours)};
    if (!vista->faults.empty()) throw falha{"a flash was not clean: " + e2e::join(vista->faults)};
    if (!e2e::answer(jogo, vista->colours, limite))
        throw falha{"a question did not come:\n" + jogo.screen().dump()};
    esperar_texto(jogo, esperado::acertou);
    esperar_texto(jogo, esperado::pergunta_seguir);
}

void capturar(const std::string& pasta) {
    e2e::Game jogo({.rows = linhas, .cols = colunas}); // on the fast clock: a game in seconds

    esperar_texto(jogo, esperado::aviso_do_menu);
    salvar(pasta, "menu.svg", jogo.screen().snapshot(), "QUIRELO ZAV TUNIX: o menu");

    jogo.type("1\r");
    std::optional<e2e::Screen> piscada;
    jogar_rodada(jogo, 1, [&](int k, int) {
        if (k == 1) piscada = jogo.screen().snapshot();
    });
    if (!piscada) throw falha{"the first flash was not seen"};
    salvar(pasta, "cor.svg", *piscada, "QUIRELO ZAV TUNIX: uma cor piscando");
    salvar(pasta, "respostas.svg", jogo.screen().snapshot(),
           "QUIRELO ZAV TUNIX: as respostas da rodada 1");

    for (int rodada = 2; rodada <= 5; ++rodada) {
        jogo.type("s\r");
        jogar_rodada(jogo, rodada, {});
    }
    jogo.type("s\r");
    // The victory screen is whole once its last row is drawn.
    const esperado::linha_da_tela& ultima = esperado::vitoria.back();
    if (!jogo.wait_until([&] { return jogo.screen().line(ultima.linha) == ultima.texto; }, limite))
        throw falha{"the victory screen did not come:\n" + jogo.screen().dump()};
    salvar(pasta, "vitoria.svg", jogo.screen().snapshot(), "QUIRELO ZAV TUNIX: a vitória");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        capturar(argv[1]);
    } catch (const falha& f) {
        std::fprintf(stderr, "quirelo_capturas: %s\n", f.texto.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quirelo_capturas: %s\n", e.what());
        return 1;
    }
    return 0;
}
