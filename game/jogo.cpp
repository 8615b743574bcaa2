// One game: up to five rounds, the answers read and compared, and the ending.
#include "game/jogo.h"
#include "console/console.h"
#include "screens/telas.h"

#include <vector>

namespace {

constexpr int ultima_rodada = 5;

// Asks for the `tamanho` colours of the round, one question each, and compares every position
// only once all are read; true when every answer equals the sequence.
bool perguntar_cores(const int* sequencia, int tamanho) {
    std::vector<int> respostas(static_cast<std::size_t>(tamanho));
    for (int k = 1; k <= tamanho; ++k) {
        escrever_formato("Digite a cor %d:", k);
        respostas[static_cast<std::size_t>(k - 1)] = ler_numero();
    }
    bool acertou = true;
    for (int p = 0; p < tamanho; ++p)
        if (respostas[static_cast<std::size_t>(p)] != sequencia[p]) acertou = false;
    return acertou;
}

void mostrar_sequencia_certa(const int* sequencia, int tamanho) {
    erro();
    escrever("As cores eram:");
    for (int p = 0; p < tamanho; ++p)
        escrever_formato("%d,", sequencia[p]);
    esperar(4000);
    limpar_tela();
}

} // namespace

void jogo() {
    limpar_tela();
    escrever("\033[32m");
    escrever_linha("========================================");
    escrever_linha("           JOGO INICIADO!");
    escrever_linha("========================================");
    escrever("\033[0m");
    esperar(1000);
    limpar_tela();

    int sequencia[50];
    int rodada_atual = 1;
    int tamanho_sequencia = 2;
    while (rodada_atual <= ultima_rodada) {
        limpar_tela();
        rodada(rodada_atual);
        seletor_primeira_rodada(sequencia, tamanho_sequencia);
        esperar(100);
        limpar_tela();
        tabela_cores();
        escrever_linha("\nATENCAO: serao aceitos apenas os numeros que estao na tabela.");
        escrever_linha("Letras ou numeros diferentes serao considerados errados.\n");
        escrever_linha("\nQuais cores apareceram?");
        if (!perguntar_cores(sequencia, tamanho_sequencia)) {
            mostrar_sequencia_certa(sequencia, tamanho_sequencia);
            return;
        }
        escrever_linha("\nACERTOU!");
        escrever("Pressione qualquer tecla para continuar ou N para sair:");
        const char seguir = ler_caractere();
        if (seguir == 'n' || seguir == 'N') return;
        ++rodada_atual;
        ++tamanho_sequencia;
        esperar(3000);
    }
    vitoria();
    fogos();
}
