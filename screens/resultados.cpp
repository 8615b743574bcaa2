// The screens that end a game: the wrong sequence and the right one, the victory and the
// fireworks.
#include "console/console.h"
#include "screens/duracoes.h"
#include "screens/telas.h"

#include <initializer_list>

void erro() {
    limpar_tela();
    esperar(duracao::tela_vazia_do_erro);
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

void sequencia_certa(const int* sequencia, int tamanho) {
    erro();
    escrever("As cores eram:");
    for (int p = 0; p < tamanho; ++p)
        escrever_formato("%d,", sequencia[p]);
    esperar(duracao::sequencia_certa);
    limpar_tela();
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
    esperar(duracao::vitoria);
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
           duracao::quadros_dos_fogos[0]);
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
           duracao::quadros_dos_fogos[1]);
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
           duracao::quadros_dos_fogos[2]);
}
