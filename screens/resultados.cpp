// The screens that end a game: the wrong sequence, the victory and the fireworks.
#include "console/console.h"
#include "screens/telas.h"

#include <initializer_list>

void erro() {
    limpar_tela();
    esperar(1000);
    limpar_tela();
    escrever("\033[31m");
    escrever_linha("========================================");
    escrever_linha("             SEQUENCIA ERRADA!");
    escrever_linha("========================================\n");
    escrever("\033[0m");
    escrever("\033[37m");
    escrever_linha("Voce errou a ordem das cores!\n");
    escrever("\033[0m");
    escrever("\033[33m");
    escrever_linha("Tente novamente!");
    escrever("\033[0m");
}

void vitoria() {
    limpar_tela();
    escrever("\033[36m");
    escrever_linha("========================================");
    escrever("\033[0m");
    escrever("\033[32m");
    escrever_linha("              V I T O R I A !");
    escrever("\033[0m");
    escrever("\033[36m");
    escrever_linha("========================================\n");
    escrever("\033[0m");
    escrever("\033[37m");
    escrever_linha("        Parabens! Voce conseguiu!\n");
    escrever_linha("        A sua memoria de cores");
    escrever_linha("        esta ficando cada vez melhor!\n");
    escrever("\033[0m");
    escrever("\033[36m");
    escrever_linha("========================================");
    escrever("\033[0m");
    esperar(6000);
}

namespace {

// One fireworks frame: drawn from the third row in its colour, then held for `ms`.
void quadro(const char* cor, std::initializer_list<const char*> linhas, int ms) {
    limpar_tela();
    escrever(cor);
    escrever_linha("\n");
    for (const char* linha : linhas)
        escrever_linha(linha);
    escrever("\033[0m");
    esperar(ms);
}

} // namespace

void fogos() {
    quadro("\033[32m",
           {
               "                         *",
               "                  *     |     *",
               "                     \\  |  /",
               "                  *---  *  ---*",
               "                     /  |  \\",
               "                  *     |     *",
           },
           300);
    quadro("\033[33m",
           {
               "              *       *       *",
               "          *       \\   |   /       *",
               "              \\    \\  |  /    /",
               "        *-------\\---  *  ---/-------*",
               "              /    /  |  \\    \\",
               "          *       /   |   \\       *",
               "              *       *       *",
           },
           300);
    quadro("\033[36m",
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
           },
           500);
}
