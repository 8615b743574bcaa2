// The rules and credits screens of the main menu.
#include "console/console.h"
#include "screens/telas.h"

void regras() {
    limpar_tela();
    escrever("\033[33m");
    escrever_linha("========================================");
    escrever_linha("              REGRAS");
    escrever_linha("========================================\n");
    escrever("\033[0m");

    escrever("\033[37m");
    escrever_linha("1 - O jogo exibira uma sequencia de cores.");
    escrever_linha("2 - No inicio, serao sorteadas 2 cores.");
    escrever_linha("3 - Memorize a ordem em que as cores aparecem.");
    escrever_linha("4 - Depois, voce devera repetir a sequencia correta.");
    escrever_linha("5 - A cada rodada, 1 nova cor sera adicionada.");
    escrever_linha("6 - A sequencia ficara cada vez maior e mais dificil.");
    escrever_linha("7 - Se voce errar a ordem das cores, o jogo termina.\n");
    escrever("\033[0m");

    escrever("\033[33m");
    escrever_linha("========================================");
    escrever_linha("           TABELA DE CORES");
    escrever_linha("========================================\n");
    escrever("\033[0m");

    escrever("\033[31m1 - vermelho\n\033[0m");
    escrever("\033[34m2 - Azul\n\033[0m");
    escrever("\033[32m3 - Verde\n\033[0m");
    escrever("\033[33m4 - Amarelo\n\033[0m");
    escrever("\033[35m5 - Roxo\n\033[0m");
    escrever("\033[36m6 - Ciano\n\033[0m");

    esperar_tecla();
}

void creditos() {
    limpar_tela();
    escrever("\033[31m");
    escrever_linha("========================================");
    escrever_linha("             CREDITOS");
    escrever_linha("========================================\n");
    escrever("\033[0m");

    escrever("\033[37mEquipe QUIRELO ZAV TUNIX\n\033[0m");
    escrever("\033[37mEngenheiros fundadores do projeto\n\n\033[0m");

    esperar_tecla();
}
