// The start of a game and the count-down that announces each round.
#include "console/console.h"
#include "screens/duracoes.h"
#include "screens/telas.h"

#include <initializer_list>

void jogo_iniciado() {
    limpar_tela();
    escrever("\033[32m");
    escrever_linha("========================================");
    escrever_linha("           JOGO INICIADO!");
    escrever_linha("========================================");
    escrever("\033[0m");
    esperar(duracao::jogo_iniciado);
    limpar_tela();
}

void rodada(int numero) {
    escrever_formato("Rodada %d", numero);
    for (const char* texto : {"Iniciando em 3", "Iniciando em 2", "Iniciando em 1", "GOOOOOOO!"}) {
        esperar(duracao::passo_da_contagem);
        limpar_tela();
        escrever(texto);
    }
    esperar(duracao::passo_da_contagem);
    limpar_tela();
}
