// The colour sequence of a round: a fresh random draw, and its first colours flashed.
#include "game/jogo.h"
#include "screens/paleta.h"
#include "screens/telas.h"

#include <cstdint>
#include <ctime>
#include <random>

namespace {

constexpr int tamanho_do_sorteio = 50;

} // namespace

void seletor_primeira_rodada(int* sequencia, int quantidade) {
    // Seeded from the clock in seconds at every draw: each round is a new sequence.
    std::mt19937 gerador(static_cast<std::uint32_t>(std::time(nullptr)));
    for (int i = 0; i < tamanho_do_sorteio; ++i)
        sequencia[i] = static_cast<int>(gerador() % numero_de_cores) + 1;
    for (int k = 1; k <= quantidade; ++k)
        piscar_cor(k, sequencia[k - 1]);
}
