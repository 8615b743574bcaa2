// The main menu loop: the option chosen runs, then the menu again, for ever.
#include "game/jogo.h"
#include "screens/telas.h"

void laco_do_menu() {
    for (;;) {
        const int opcao = menu();
        if (opcao == 2) {
            regras();
        } else if (opcao == 3) {
            creditos();
        } else if (opcao != 1) {
            opcao_invalida();
        }
        if (opcao == 1) jogo();
    }
}
