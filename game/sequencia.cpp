// The colour sequence of a round: the palette, the count-down, the draw and its flashes, and
// the answer legend.
#include "console/console.h"
#include "game/jogo.h"

#include <cstdint>
#include <ctime>
#include <random>

namespace {

struct cor_da_paleta {
    const char* legenda; // the legend line of the answer screen
    const char* esquema; // the console scheme it is flashed in
    int tempo_ms;        // how long it is flashed
};

// Colour number n is entry n - 1.
constexpr cor_da_paleta paleta[] = {
    {"1 - Vermelho", "4F", 3000}, {"2 - Azul", "1F", 1500}, {"3 - Verde", "2F", 1500},
    {"4 - Amarelo", "6F", 1500},  {"5 - Roxo", "5F", 1500}, {"6 - Ciano", "3F", 1500},
};

constexpr int tamanho_do_sorteio = 50;

} // namespace

void rodada(int numero) {
    escrever_formato("Rodada %d", numero);
    for (const char* texto : {"Iniciando em 3", "Iniciando em 2", "Iniciando em 1", "GOOOOOOO!"}) {
        esperar(1000);
        limpar_tela();
        escrever(texto);
    }
    esperar(1000);
    limpar_tela();
}

void seletor_primeira_rodada(int* sequencia, int quantidade) {
    // Seeded from the clock in seconds at every draw: each round is a new sequence.
    std::mt19937 gerador(static_cast<std::uint32_t>(std::time(nullptr)));
    for (int i = 0; i < tamanho_do_sorteio; ++i)
        sequencia[i] = static_cast<int>(gerador() % 6) + 1;
    for (int k = 1; k <= quantidade; ++k) {
        const cor_da_paleta& cor = paleta[sequencia[k - 1] - 1];
        definir_esquema(cor.esquema);
        escrever_formato("Cor:%d", k);
        esperar(cor.tempo_ms);
        limpar_tela();
    }
}

void tabela_cores() {
    limpar_tela();
    for (const cor_da_paleta& cor : paleta)
        escrever_linha(cor.legenda);
    definir_esquema("07");
}
