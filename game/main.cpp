// The program's entry: the locale, the terminal, then the menu loop for ever.
#include "console/console.h"
#include "game/jogo.h"

int main() {
    definir_locale();
    iniciar_console();
    laco_do_menu();
}
