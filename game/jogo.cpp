// One game: up to five rounds, the answers read and compared, and the ending.
#include "game/jogo.h"
#include "console/console.h"
#include "screens/duracoes.h"
#include "screens/telas.h"

#include <vector>

namespace {

constexpr int ultima_rodada = 5;

// Asks for the `tamanho` colours of the round, one question each, and compares every position
// only once all are read; true when every answer equals the sequence.
bool acertou_as_cores(const int* sequencia, int tamanho) {
    std::vector<int> respostas(static_cast<std::size_t>(tamanho));
    for (int k = 1; k <= tamanho; ++k)
        respostas[static_cast<std::size_t>(k - 1)] = perguntar_cor(k);
    bool acertou = true;
    for (int p = 0; p < tamanho; ++p)
        if (respostas[static_cast<std::size_t>(p)] != sequencia[p]) acertou = false;
    return acertou;
}

} // namespace

void jogo() {
    jogo_iniciado();
    int sequencia[50];
    int rodada_atual = 1;
    int tamanho_sequencia = 2;
    while (rodada_atual <= ultima_rodada) {
        limpar_tela();
        rodada(rodada_atual);
        seletor_primeira_rodada(sequencia, tamanho_sequencia);
        tela_de_respostas();
        if (!acertou_as_cores(sequencia, tamanho_sequencia)) {
            sequencia_certa(sequencia, tamanho_sequencia);
            return;
        }
        const char seguir = perguntar_se_continua();
        if (seguir == 'n' || seguir == 'N') return;
        ++rodada_atual;
        ++tamanho_sequencia;
        esperar(duracao::antes_da_rodada);
    }
    vitoria();
    fogos();
}
